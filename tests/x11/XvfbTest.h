#pragma once

// What the tests on a private Xvfb share: where the editor's controls sit, and a fixture with
// the server, xdotool, xwd and a folder for the run's files.

#include "Files.h"
#include "X11TestSupport.h"
#include "pix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sndfile.h>
#include <sstream>
#include <unistd.h>

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

// One second of stereo silence: the meters stay at rest, so the picture depends on the
// parameters alone.
inline void WriteSilence(const std::string& path) {
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

// The value column of the row of the parameter table whose name column is name.
inline std::string ValueOf(const std::string& table, const std::string& name) {
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

class XvfbTest : public testing::Test {
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

    // xdotool's words for moving the pointer to a place of the editor in the window.
    static std::vector<std::string> At(const std::string& window, const Place& place, int dy = 0) {
        return {"mousemove", "--window", window, std::to_string(place.MidX()),
                std::to_string(place.MidY() + dy)};
    }

    // Plays the steps as one xdotool command.
    testing::AssertionResult Play(const std::vector<std::vector<std::string>>& steps) const {
        std::vector<std::string> line;
        for (const auto& step : steps)
            line.insert(line.end(), step.begin(), step.end());
        const RunResult result = Xdotool(line);
        if (result.status == 0) return testing::AssertionSuccess();
        return testing::AssertionFailure() << "xdotool: " << result.output;
    }

    bool Capture(const std::string& window, XwdImage* image) const {
        const std::string dump = mFolder / "window.xwd";
        const RunResult run =
            RunProgram({"/bin/sh", "-c", "exec \"$0\" -silent -id \"$1\" > \"$2\"",
                        FindProgram("xwd"), window, dump},
                       Display());
        std::string error;
        return run.status == 0 && ReadXwd(ReadTextFile(dump), image, &error);
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

    TempFolder mFolder;
    std::unique_ptr<XvfbServer> mServer;
};

// Whether the window shows, pixel for pixel, what the picture holds.
inline testing::AssertionResult SamePicture(const XwdImage& shown, PIX_IBitmap* expected) {
    if (!expected) return testing::AssertionFailure() << "no picture to compare with";
    if (shown.width != expected->getWidth() || shown.height != expected->getHeight())
        return testing::AssertionFailure()
               << shown.width << " x " << shown.height << " shown, " << expected->getWidth()
               << " x " << expected->getHeight() << " expected";
    int differing = 0;
    int left = shown.width, top = shown.height, right = 0, bottom = 0;
    std::string first;
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            const PIX_pixel pixel = PIX_GetPixel(expected, x, y);
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
    if (differing == 0) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << differing << " pixels differ, first " << first << "; all within (" << left << ", "
           << top << ", " << right << ", " << bottom << ")";
}
