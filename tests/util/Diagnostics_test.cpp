#include "Hosts.h"
#include "Trace.h"
#include "UTL_Assert.h"
#include "Version.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

TEST(Version, PartsDecimalAndText) {
    int major = 0, minor = 0, bugFix = 0;
    GetVersionParts(0x10102, &major, &minor, &bugFix);
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 1);
    EXPECT_EQ(bugFix, 2);
    EXPECT_EQ(GetDecimalVersion(0x10102), 10102);
    EXPECT_EQ(GetDecimalVersion(0x2030F), 20315);
    char text[16];
    GetVersionStr(0x10102, text, sizeof text);
    EXPECT_STREQ(text, "v1.1.2");
    char tiny[4];
    GetVersionStr(0x7FFFFFFF, tiny, sizeof tiny); // cut, still terminated
    EXPECT_STREQ(tiny, "v32");
}

TEST(Hosts, LookUpByNameOrBundleIdentifier) {
    EXPECT_EQ(LookUpHost("com.apple.logic10"), kHostLogic);
    EXPECT_EQ(LookUpHost("Ardour"), kHostArdour);
    EXPECT_EQ(LookUpHost("auvaltool"), kHostAUVal);
    EXPECT_EQ(LookUpHost("REAPER"), kHostReaper);
    EXPECT_EQ(LookUpHost(""), kHostUnknown);
    EXPECT_EQ(LookUpHost(nullptr), kHostUnknown);
    EXPECT_EQ(LookUpHost("some.other.app"), kHostUnknown);
    EXPECT_STREQ(GetHostNameStr(kHostArdour), "Ardour");
    EXPECT_STREQ(GetHostNameStr(kHostUninit), "Unknown");
}

TEST(Trace, OffByDefaultAndWritesLinesWhenAsked) {
    const std::string path = ::testing::TempDir() + "brindlex_trace_test.log";
    std::remove(path.c_str());
    unsetenv("BRINDLEX_TRACE");
    TraceReconfigure();
    EXPECT_FALSE(TraceEnabled());
    int evaluated = 0;
    TRACE("%d", ++evaluated);
    EXPECT_EQ(evaluated, 0); // arguments are not evaluated while tracing is off

    setenv("BRINDLEX_TRACE", path.c_str(), 1);
    TraceReconfigure();
    ASSERT_TRUE(TraceEnabled());
    TRACE("%d:%s", 42, "legal");
    unsetenv("BRINDLEX_TRACE");
    TraceReconfigure();

    std::ifstream log(path);
    std::stringstream content;
    content << log.rdbuf();
    EXPECT_NE(content.str().find("TestBody:"), std::string::npos) << content.str();
    EXPECT_NE(content.str().find("42:legal\n"), std::string::npos) << content.str();
    std::remove(path.c_str());
}

TEST(CurrentTime, FormatsDateAndMilliseconds) {
    const std::string now = CurrentTime();
    ASSERT_EQ(now.size(), 23u) << now;
    EXPECT_EQ(now[4], '-');
    EXPECT_EQ(now[10], ' ');
    EXPECT_EQ(now[19], '.');
}

TEST(UTL_AssertDeathTest, NamesSourceLineAndCondition) {
    const bool channelIOStrValid = std::getenv("BRINDLEX_NEVER_SET_THIS") != nullptr;
    EXPECT_DEATH(UTL_ASSERT(channelIOStrValid),
                 "tests/util/Diagnostics_test:[0-9]+: .*Assertion `channelIOStrValid' failed");
}
