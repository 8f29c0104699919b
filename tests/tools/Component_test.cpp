// Finding and loading the component bundle, without the effect itself: the search order and the
// failures for things that are not the component.

#include "CommandError.h"
#include "Component.h"
#include "ToolTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// A bundle folder whose Info.plist names executable; with the module copied in when given.
std::string MakeBundle(const TempFolder& folder, const std::string& executable,
                       const std::string& module) {
    const std::string bundle = folder / "Fake.component";
    const std::string binaries = bundle + "/Contents/" BUNDLE_EXECUTABLE_FOLDER;
    fs::create_directories(binaries);
    WriteTextFile(bundle + "/Contents/Info.plist",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                  "<key>CFBundleExecutable</key><string>" +
                      executable +
                      "</string><key>CFBundleIdentifier</key><string>org.brindlex.fake</string>"
                      "</dict></plist>\n");
    if (!module.empty()) fs::copy_file(module, binaries + "/" + executable + ".so");
    return bundle;
}

TEST(ComponentSearch, OptionThenEnvironmentThenBesideTheProgramThenInstalled) {
    EXPECT_EQ(ComponentCandidates("/a/B.component", "/env/B.component", "/usr/bin"),
              std::vector<std::string>{"/a/B.component"});
    EXPECT_EQ(ComponentCandidates("", "/env/B.component", "/usr/bin"),
              std::vector<std::string>{"/env/B.component"});
    EXPECT_EQ(ComponentCandidates("", "", "/usr/bin"),
              (std::vector<std::string>{"/usr/bin/Brindlex.component",
                                        "/usr/lib/brindlex/Brindlex.component"}));
    EXPECT_EQ(ComponentCandidates("", nullptr, "/opt/x/bin"),
              (std::vector<std::string>{"/opt/x/bin/Brindlex.component",
                                        "/opt/x/lib/brindlex/Brindlex.component"}));
}

TEST(ComponentSearch, NamedBundlesMustExist) {
    EXPECT_EQ(ErrorMessage([] { LocateComponentBundle("/no/such/Brindlex.component"); }),
              "--component /no/such/Brindlex.component: no component bundle folder there");
}

TEST(ComponentLoading, FoldersThatAreNotComponentsAreRefused) {
    TempFolder folder;
    EXPECT_EQ(ErrorMessage([&] { LoadComponentEntry(folder.Path()); }),
              folder.Path() + ": not a component bundle: no Contents/Info.plist naming a shared "
                              "object that exists");
    const std::string bundle = MakeBundle(folder, "Fake", "");
    EXPECT_EQ(ErrorMessage([&] { LoadComponentEntry(bundle); }),
              bundle + ": not a component bundle: no Contents/Info.plist naming a shared object "
                       "that exists");
}

TEST(ComponentLoading, ASharedObjectWithoutTheEntryIsRefused) {
    TempFolder folder;
    const std::string bundle = MakeBundle(folder, "Fake", FOREIGN_MODULE_PATH);
    const std::string message = ErrorMessage([&] { LoadComponentEntry(bundle); });
    EXPECT_NE(message.find("Fake.so: does not export Brindlex_Entry"), std::string::npos)
        << message;
}

TEST(ComponentLoading, AFileThatIsNotASharedObjectIsRefused) {
    TempFolder folder;
    const std::string bundle = MakeBundle(folder, "Fake", "");
    WriteTextFile(bundle + "/Contents/" BUNDLE_EXECUTABLE_FOLDER "/Fake.so", "not ELF");
    const std::string message = ErrorMessage([&] { LoadComponentEntry(bundle); });
    EXPECT_NE(message.find("Fake.so: cannot load: "), std::string::npos) << message;
}

TEST(StatusText, NamesKnownCodesAndFourCharacterCodes) {
    EXPECT_EQ(StatusText(kAudioUnitErr_InvalidPropertyValue),
              "kAudioUnitErr_InvalidPropertyValue (-10851)");
    EXPECT_EQ(StatusText(-1), "status -1");
    EXPECT_EQ(FourCharText(FourCharCodeFromText("Brnx")), "'Brnx'");
    EXPECT_EQ(FourCharText(7), "7");
}

} // namespace
