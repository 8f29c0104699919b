#include "TestBundle.h"

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <stdexcept>
#include <stdlib.h>

namespace fs = std::filesystem;

namespace {

class Folder {
public:
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "brindlex-bundles-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
        mPath = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(mPath, ignored);
    }
    const fs::path& Path() const { return mPath; }

private:
    fs::path mPath;
};

std::string InfoPlist(const std::string& identifier) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "\t<key>CFBundleExecutable</key>\n\t<string>TestBundle</string>\n"
           "\t<key>CFBundleIdentifier</key>\n\t<string>" +
           identifier + "</string>\n</dict>\n</plist>\n";
}

} // namespace

std::string LoadTestBundle(const std::string& identifier,
                           const std::vector<std::string>& resourceFiles) {
    static std::mutex mutex;
    static std::map<std::string, std::string> loaded;
    std::lock_guard<std::mutex> lock(mutex);
    if (const auto found = loaded.find(identifier); found != loaded.end()) return found->second;

    static Folder folder;
    const fs::path bundle = folder.Path() / (std::to_string(loaded.size()) + ".bundle");
    const fs::path contents = bundle / "Contents";
    fs::create_directories(contents / "Resources");
    fs::create_directories(contents / BUNDLE_EXECUTABLE_FOLDER);
    std::ofstream(contents / "Info.plist") << InfoPlist(identifier);
    for (const std::string& file : resourceFiles)
        fs::copy_file(file, contents / "Resources" / fs::path(file).filename(),
                      fs::copy_options::overwrite_existing);
    const fs::path executable = contents / BUNDLE_EXECUTABLE_FOLDER / "TestBundle.so";
    fs::copy_file(TEST_BUNDLE_MODULE, executable);
    // Kept loaded: the platform finds bundles through the shared objects in the process.
    if (!dlopen(executable.c_str(), RTLD_NOW | RTLD_LOCAL)) throw std::runtime_error(dlerror());
    return loaded[identifier] = bundle.string();
}
