// File URLs and bundles: the main bundle, a loaded component bundle found by its identifier,
// its info and resources.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

std::string Path(CFURLRef url) {
    char buffer[4096];
    return CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(buffer),
                                            sizeof buffer)
               ? buffer
               : "<none>";
}

TEST(CFURL, FilePathsAndTheirParts) {
    CFHolder<CFURLRef> file(CFURLCreateWithFileSystemPath(
        nullptr, CFSTR("/tmp/My Presets/50% wet.aupreset"), kCFURLPOSIXPathStyle, false));
    EXPECT_EQ(Path(file.Get()), "/tmp/My Presets/50% wet.aupreset");
    EXPECT_EQ(CFText(CFURLGetString(file.Get())), "file:///tmp/My%20Presets/50%25%20wet.aupreset");

    CFHolder<CFURLRef> root(
        CFURLCreateWithFileSystemPath(nullptr, CFSTR("///"), kCFURLPOSIXPathStyle, true));
    EXPECT_EQ(Path(root.Get()), "/");
    EXPECT_EQ(CFText(CFURLGetString(root.Get())), "file:///");

    char small[4];
    EXPECT_FALSE(CFURLGetFileSystemRepresentation(file.Get(), true, reinterpret_cast<UInt8*>(small),
                                                  sizeof small));
    EXPECT_EQ(CFURLCreateWithFileSystemPath(nullptr, CFSTR("C:\\x"), kCFURLWindowsPathStyle, false),
              nullptr);
    EXPECT_EQ(CFURLCreateWithFileSystemPath(nullptr, CFSTR(""), kCFURLPOSIXPathStyle, false),
              nullptr);
}

TEST(CFURL, RelativePathsResolveAgainstTheCurrentFolder) {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    CFHolder<CFURLRef> relative(
        CFURLCreateWithFileSystemPath(nullptr, CFSTR("a/b.txt"), kCFURLPOSIXPathStyle, false));
    EXPECT_EQ(Path(relative.Get()), std::string(cwd) + "/a/b.txt");
    CFHolder<CFURLRef> same(CFURLCreateWithFileSystemPath(
        nullptr, CFHolder<CFStringRef>(MakeString((std::string(cwd) + "/a/b.txt").c_str())).Get(),
        kCFURLPOSIXPathStyle, false));
    EXPECT_TRUE(CFEqual(relative.Get(), same.Get()));
}

TEST(CFBundle, TheMainBundleOfABareExecutableIsItsFolder) {
    CFBundleRef main = CFBundleGetMainBundle();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(CFBundleGetMainBundle(), main);
    EXPECT_EQ(CFBundleGetIdentifier(main), nullptr);
    const std::string executable = std::filesystem::canonical("/proc/self/exe").string();
    CFHolder<CFURLRef> url(CFBundleCopyBundleURL(main));
    EXPECT_EQ(Path(url.Get()), std::filesystem::path(executable).parent_path().string());
    CFHolder<CFURLRef> executableURL(CFBundleCopyExecutableURL(main));
    EXPECT_EQ(Path(executableURL.Get()), executable);
    EXPECT_EQ(CFDictionaryGetCount(CFBundleGetInfoDictionary(main)), 0);
}

TEST(CFBundle, ALoadedComponentIsFoundByItsIdentifier) {
    const TestComponentBundle& loaded = LoadTestComponentBundle();
    CFBundleRef bundle = CFBundleGetBundleWithIdentifier(CFSTR("org.brindlex.platform-test"));
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("org.brindlex.platform-test")), bundle);
    EXPECT_EQ(CFText(CFBundleGetIdentifier(bundle)), "org.brindlex.platform-test");
    CFHolder<CFURLRef> url(CFBundleCopyBundleURL(bundle));
    EXPECT_EQ(Path(url.Get()), loaded.bundlePath);
    CFHolder<CFURLRef> executable(CFBundleCopyExecutableURL(bundle));
    EXPECT_EQ(Path(executable.Get()), loaded.executablePath);

    CFHolder<CFURLRef> knob(CFBundleCopyResourceURL(bundle, CFSTR("knob"), CFSTR("png"), nullptr));
    EXPECT_EQ(Path(knob.Get()), loaded.bundlePath + "/Contents/Resources/knob.png");
    CFHolder<CFURLRef> dotted(CFBundleCopyResourceURL(bundle, CFSTR("knob.png"), nullptr, nullptr));
    EXPECT_TRUE(CFEqual(dotted.Get(), knob.Get()));
    EXPECT_EQ(CFBundleCopyResourceURL(bundle, CFSTR("missing"), CFSTR("png"), nullptr), nullptr);
    EXPECT_EQ(CFBundleCopyResourceURL(bundle, CFSTR("Info"), CFSTR("plist"), CFSTR("..")), nullptr)
        << "lookups stay inside the resources";

    EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("org.brindlex.unknown")), nullptr);
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(nullptr), nullptr);
    EXPECT_NE(CFText(bundle).find("org.brindlex.platform-test"), std::string::npos);
}

TEST(CFBundle, CreateReadsAFolder) {
    TempFolder folder;
    const std::string bundlePath = folder.Path() + "/Broken.bundle";
    std::filesystem::create_directories(bundlePath + "/Contents/Resources");
    WriteTextFile(bundlePath + "/Contents/Info.plist", "<plist><dict><key>CFBundleIdentifier");
    CFHolder<CFURLRef> url(CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(bundlePath.data()),
        static_cast<CFIndex>(bundlePath.size()), true));
    CFHolder<CFBundleRef> broken(CFBundleCreate(nullptr, url.Get()));
    ASSERT_TRUE(broken) << "a bundle with an unreadable Info.plist still opens";
    EXPECT_EQ(CFBundleGetIdentifier(broken.Get()), nullptr);
    EXPECT_EQ(CFDictionaryGetCount(CFBundleGetInfoDictionary(broken.Get())), 0);

    WriteTextFile(bundlePath + "/Contents/Info.plist",
                  "<plist><dict><key>CFBundleIdentifier</key><integer>5</integer></dict></plist>");
    CFHolder<CFBundleRef> wrongType(CFBundleCreate(nullptr, url.Get()));
    EXPECT_EQ(CFBundleGetIdentifier(wrongType.Get()), nullptr) << "identifiers are strings";
    EXPECT_EQ(CFBundleCopyExecutableURL(wrongType.Get()), nullptr);

    CFHolder<CFURLRef> nowhere(CFURLCreateWithFileSystemPath(
        nullptr, CFSTR("/no/such/Folder.bundle"), kCFURLPOSIXPathStyle, true));
    EXPECT_EQ(CFBundleCreate(nullptr, nowhere.Get()), nullptr);
}

} // namespace
