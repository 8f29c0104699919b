// The LV2 plug-in's X11 UI in a foreign host on a private Xvfb: embedded in the host's window,
// the user's click and drag reach the plug-in as writes to its ports (inside touch gestures),
// port values from the host show, the window keeps the editor's fixed size and shows what a
// headless snapshot of the same state does.

#include "BrindlexLV2.h"
#include "XvfbTest.h"
#include "config.h"

#include <csignal>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace {

// Ports: stereo audio in and out, then the ten parameters, then the three meters.
constexpr int kAmpGainPort = 4 + 6;
constexpr int kAmpTonePort = 4 + 7;
constexpr int kAmpOnPort = 4 + 9;

struct HostLog {
    std::vector<std::string> lines;
    std::map<int, float> lastWrite; // by port
};

HostLog ReadLog(const std::string& text) {
    HostLog log;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        log.lines.push_back(line);
        int port = 0;
        float value = 0;
        if (std::sscanf(line.c_str(), "port %d %f", &port, &value) == 2)
            log.lastWrite[port] = value;
    }
    return log;
}

bool HasInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
    auto at = lines.begin();
    for (const std::string& line : wanted) {
        at = std::find(at, lines.end(), line);
        if (at == lines.end()) return false;
    }
    return true;
}

using LV2UI = XvfbTest;

TEST_F(LV2UI, TheEditorInTheHostsWindowTalksToThePluginThroughItsPorts) {
    // The host reports the tone at -6 dB; the UI must show it.
    ChildProcess host({LV2_UI_HOST, LV2_BUNDLE_DIR, LV2_UI_BINARY, brindlex::lv2::kUIURI, "700",
                       "700", std::to_string(kAmpTonePort) + "=-6"},
                      Display(), mFolder / "host.out");
    ASSERT_TRUE(host.Started());
    const std::string window = WaitForWindow("LV2 UI host");
    ASSERT_FALSE(window.empty()) << ReadTextFile(mFolder / "host.out");
    ASSERT_TRUE(WaitFor(10.0, [&] {
        return ReadTextFile(mFolder / "host.out").find("shown ") != std::string::npos;
    })) << ReadTextFile(mFolder / "host.out");

    // The editor's own window says it is 700 x 700 and no other size (Qt's embedding sizes
    // its frame from that), and the host was told the size.
    const std::string started = ReadTextFile(mFolder / "host.out");
    EXPECT_EQ(started.find("resize 700 700\n"), 0u) << started;
    const size_t at = started.find("shown ") + 6;
    ASSERT_FALSE(FindProgram("xprop").empty()) << "xprop (x11-utils) is not installed";
    const RunResult hints =
        RunProgram({FindProgram("xprop"), "-id", started.substr(at, started.find('\n', at) - at),
                    "WM_NORMAL_HINTS"},
                   Display());
    for (const char* wanted :
         {"specified size: 700 by 700", "minimum size: 700 by 700", "maximum size: 700 by 700"})
        EXPECT_NE(hints.output.find(wanted), std::string::npos) << hints.output;

    ASSERT_TRUE(Play({At(window, kAmpSwitch), {"click", "1"}}));
    ASSERT_TRUE(Play({At(window, kAmpGainKnob),
                      {"mousedown", "1"},
                      At(window, kAmpGainKnob, -20),
                      At(window, kAmpGainKnob, -40),
                      {"mouseup", "1"}}));
    XwdImage shown;
    ASSERT_TRUE(SettledPicture(window, &shown));
    host.Signal(SIGTERM);
    ASSERT_EQ(host.Wait(10.0), 0);
    const HostLog log = ReadLog(ReadTextFile(mFolder / "host.out"));

    const std::string amp = std::to_string(kAmpOnPort), gain = std::to_string(kAmpGainPort);
    EXPECT_TRUE(
        HasInOrder(log.lines, {"touch " + amp + " 1", "port " + amp + " 1", "touch " + amp + " 0",
                               "touch " + gain + " 1", "touch " + gain + " 0", "closed"}))
        << ReadTextFile(mFolder / "host.out");
    ASSERT_EQ(log.lastWrite.count(kAmpGainPort), 1u);
    EXPECT_NEAR(log.lastWrite.at(kAmpGainPort), 100.0 * (0.1 + 40.0 / 480.0) * (0.1 + 40.0 / 480.0),
                1e-4);
    // Only what the user changed was written; the host's own value went nowhere.
    EXPECT_EQ(log.lastWrite.count(kAmpTonePort), 0u);

    const std::string silence = mFolder / "silence.wav", picture = mFolder / "snapshot.png";
    WriteSilence(silence);
    const RunResult snapshot = RunProgram(
        {BRINDLEX_EXECUTABLE, "snapshot", picture, "--input", silence, "--amp", "on", "--set",
         "Amp Gain=" + std::to_string(log.lastWrite.at(kAmpGainPort)), "--set", "Amp Tone=-6"},
        "");
    ASSERT_EQ(snapshot.status, 0) << snapshot.output;
    const std::unique_ptr<PIX_IBitmap> expected(PIX_LoadPNG(picture.c_str()));
    EXPECT_TRUE(SamePicture(shown, expected.get()));
}

// jalv.qt5 embeds the editor through Qt, which sizes its frame from the embedded window's size
// hints as it first shows, and to two thirds of the screen (cutting off the editor's bottom)
// without them. Run with a private JACK server on the dummy driver.
TEST_F(LV2UI, JalvQt5ShowsTheWholeEditor) {
    for (const char* program : {"jalv.qt5", "jackd", "jack_wait", "xwininfo"})
        if (FindProgram(program).empty()) GTEST_SKIP() << program << " is not installed";
    // The bundle alone on the LV2 path, beside the system's vocabulary.
    const std::filesystem::path path = mFolder / "lv2";
    std::filesystem::create_directories(path);
    std::filesystem::create_directory_symlink(LV2_BUNDLE_DIR, path / "Brindlex.lv2");
    const std::string server = "brindlex_qt_" + std::to_string(getpid());
    const std::string script =
        "export LV2_PATH='" + path.string() + ":/usr/lib/lv2' JACK_DEFAULT_SERVER=" + server +
        " JACK_NO_START_SERVER=1 JACK_NO_AUDIO_RESERVATION=1\n"
        "jackd -n " +
        server +
        " -d dummy -r 48000 -p 256 & server=$!\n"
        "jack_wait -w -t 10\n"
        // A sanitized plug-in and UI need their runtime loaded first in jalv, which is not.
        "LD_PRELOAD='" TOOL_PRELOAD "' ASAN_OPTIONS=detect_leaks=0 jalv.qt5 " +
        brindlex::lv2::kPluginURI +
        " & host=$!\n"
        "trap 'kill $host; wait $host; kill $server; wait $server; exit 0' TERM\n"
        "wait $host\n";
    ChildProcess host({"/bin/sh", "-c", script}, Display(), mFolder / "jalv.out");
    ASSERT_TRUE(host.Started());
    const std::string window = WaitForWindow(brindlex::kEffectName);
    ASSERT_FALSE(window.empty()) << ReadTextFile(mFolder / "jalv.out");
    // The editor's window, 700 x 700, somewhere inside jalv's.
    bool whole = false;
    std::string tree;
    WaitFor(5.0, [&] {
        tree = RunProgram({FindProgram("xwininfo"), "-tree", "-id", window}, Display()).output;
        whole = tree.find(" 700x700+") != std::string::npos;
        return whole;
    });
    EXPECT_TRUE(whole) << tree;
    host.Signal(SIGTERM);
    EXPECT_EQ(host.Wait(10.0), 0) << ReadTextFile(mFolder / "jalv.out");
}

} // namespace
