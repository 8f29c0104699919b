// The command-line host's editor in a real window: a private Xvfb, the user's clicks, drags and
// typing played with xdotool, and the window's pixels read back with xwd.

#include "X11TestSupport.h"
#include "pix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sndfile.h>
#include <sstream>
#include <unistd.h>

namespace {

// Where the controls the test plays with sit in the editor (their images' top-left corners and
// one frame's size).
struct Place {
    int x, y, w, h;
    int MidX() const { return x + w / 2; }
    int MidY() const { return y + h / 2; }
};
constexpr Place kAmpSwitch{130, 147, 44, 56};
constexpr Place kAmpGainKnob{340, 35, 120, 120};
constexpr Place kAmpToneKnob{245, 30, 80, 80};

// A fresh folder for the run's files, removed at the end.
class Folder {
public:
    Folder() {
        char pattern[] = "/tmp/brindlex-x11-XXXXXX";
        if (mkdtemp(pattern)) mPath = pattern;
    }
    ~Folder() {
        if (!mPath.empty()) std::system(("rm -rf '" + mPath + "'").c_str());
    }
    std::string operator/(const std::string& name) const { return mPath + "/" + name; }

private:
    std::string mPath;
};

// One second of stereo silence: the meters stay at rest, so the picture depends on the
// parameters alone.
void WriteSilence(const std::string& path) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const std::vector<float> zeros(2 * 44100, 0.0f);
    sf_writef_float(file, zeros.data(), 44100);
    sf_close(file);
}

std::string TextOf(const std::string& path) {
    const std::vector<unsigned char> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The value column of the row of the parameter table whose name column is name.
std::string ValueOf(const std::string& table, const std::string& name) {
    std::istringstream lines(table);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t at = line.find("  " + name + "  ");
        if (at == std::string::npos) continue;
        std::istringstream rest(line.substr(at + name.size() + 4));
        std::string value;
        rest >> value;
        return value;
    }
    return "";
}

class EditorOnXvfb : public testing::Test {
protected:
    void SetUp() override {
        for (const char* program : {"Xvfb", "xdotool", "xwd"})
            if (FindProgram(program).empty()) GTEST_SKIP() << program << " is not installed";
        mServer = std::make_unique<XvfbServer>();
        if (!mServer->Running()) GTEST_SKIP() << "Xvfb did not start";
    }

    const std::string& Display() const { return mServer->Name(); }

    RunResult Xdotool(const std::vector<std::string>& arguments) const {
        std::vector<std::string> argv = {FindProgram("xdotool")};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return RunProgram(argv, Display());
    }

    // The id of the shown window of that name, once there is one; empty after the time.
    std::string WaitForWindow(const std::string& name) const {
        std::string id;
        WaitFor(10.0, [&] {
            const RunResult found =
                Xdotool({"search", "--onlyvisible", "--name", "^" + name + "$"});
            if (found.status != 0) return false;
            id = found.output.substr(0, found.output.find('\n'));
            return !id.empty();
        });
        return id;
    }

    bool Capture(const std::string& window, XwdImage* image) const {
        const std::string dump = mFolder / "window.xwd";
        const RunResult run =
            RunProgram({"/bin/sh", "-c", "exec \"$0\" -silent -id \"$1\" > \"$2\"",
                        FindProgram("xwd"), window, dump},
                       Display());
        std::string error;
        return run.status == 0 && ReadXwd(ReadBytes(dump), image, &error);
    }

    // The window's picture once the editor has caught up with the input: two captures a few
    // of its frames apart that are the same.
    bool SettledPicture(const std::string& window, XwdImage* image) const {
        XwdImage previous;
        if (!Capture(window, &previous)) return false;
        return WaitFor(10.0, [&] {
            usleep(150000);
            if (!Capture(window, image)) return false;
            const bool same = image->pixels == previous.pixels;
            previous = *image;
            return same;
        });
    }

    Folder mFolder;
    std::unique_ptr<XvfbServer> mServer;
};

TEST_F(EditorOnXvfb, ClicksDragsAndTheWheelSetTheParametersAndTheWindowShowsWhatASnapshotDoes) {
    const std::string silence = mFolder / "silence.wav", preset = mFolder / "left.aupreset";
    WriteSilence(silence);
    Process edit({BRINDLEX_EXECUTABLE, "edit", "--input", silence, "--save", preset}, Display(),
                 mFolder / "edit.out");
    ASSERT_TRUE(edit.Started());
    const std::string window = WaitForWindow("Brindlex");
    ASSERT_FALSE(window.empty()) << TextOf(mFolder / "edit.out");

    auto at = [&](const Place& place, int dy = 0) {
        return std::vector<std::string>{"mousemove", "--window", window,
                                        std::to_string(place.MidX()),
                                        std::to_string(place.MidY() + dy)};
    };
    auto run = [&](std::vector<std::vector<std::string>> steps) {
        std::vector<std::string> line;
        for (auto& step : steps)
            line.insert(line.end(), step.begin(), step.end());
        const RunResult result = Xdotool(line);
        ASSERT_EQ(result.status, 0) << result.output;
    };
    // The amp on; its gain knob dragged 40 pixels up.
    run({at(kAmpSwitch), {"click", "1"}});
    run({at(kAmpGainKnob),
         {"mousedown", "1"},
         at(kAmpGainKnob, -20),
         at(kAmpGainKnob, -40),
         {"mouseup", "1"}});
    // A wheel step down on its tone knob: a hundredth of its travel.
    run({at(kAmpToneKnob), {"click", "5"}});

    XwdImage shown;
    ASSERT_TRUE(SettledPicture(window, &shown));
    edit.Signal(SIGTERM);
    ASSERT_EQ(edit.Wait(10.0), 0);
    const std::string table = TextOf(mFolder / "edit.out");

    EXPECT_EQ(ValueOf(table, "(amp stage on/off) --amp"), "on") << table;
    // A knob's travel is four times its height: 40 pixels of 480 from the default's position
    // (1 on a square-law range of 0 to 100, a tenth of the way).
    const double gain = std::atof(ValueOf(table, "Amp Gain").c_str());
    EXPECT_NEAR(gain, 100.0 * (0.1 + 40.0 / 480.0) * (0.1 + 40.0 / 480.0), 1e-4) << table;
    EXPECT_EQ(ValueOf(table, "Amp Tone"), "-0.24") << table; // -12..12 from the middle
    EXPECT_EQ(ValueOf(table, "EQ Freq"), "5000") << table;
    EXPECT_NE(table.find("Saved them to " + preset), std::string::npos) << table;

    // The headless editor in the state the session saved, after the same audio.
    const std::string picture = mFolder / "snapshot.png";
    const RunResult snapshot = RunProgram(
        {BRINDLEX_EXECUTABLE, "snapshot", picture, "--preset", preset, "--input", silence}, "");
    ASSERT_EQ(snapshot.status, 0) << snapshot.output;
    const std::unique_ptr<PIX_IBitmap> expected(PIX_LoadPNG(picture.c_str()));
    ASSERT_TRUE(expected);
    ASSERT_EQ(shown.width, expected->getWidth());
    ASSERT_EQ(shown.height, expected->getHeight());
    int differing = 0;
    int left = shown.width, top = shown.height, right = 0, bottom = 0;
    std::string first;
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            const PIX_pixel pixel = PIX_GetPixel(expected.get(), x, y);
            const uint32_t rgb = uint32_t(PIX_GETR(pixel)) << 16 | uint32_t(PIX_GETG(pixel)) << 8 |
                                 uint32_t(PIX_GETB(pixel));
            if (shown.At(x, y) == rgb) continue;
            left = std::min(left, x), top = std::min(top, y);
            right = std::max(right, x + 1), bottom = std::max(bottom, y + 1);
            if (differing++ == 0) {
                char text[96];
                std::snprintf(text, sizeof text, "at (%d, %d): %06x on the screen, %06x headless",
                              x, y, shown.At(x, y), rgb);
                first = text;
            }
        }
    }
    EXPECT_EQ(differing, 0) << first << "; all within (" << left << ", " << top << ", " << right
                            << ", " << bottom << ")";
}

TEST(EditWithoutADisplay, SaysSoAndFails) {
    const RunResult run = RunProgram({BRINDLEX_EXECUTABLE, "edit"}, "");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "brindlex: edit: no X display: DISPLAY is not set\n");
}

} // namespace
