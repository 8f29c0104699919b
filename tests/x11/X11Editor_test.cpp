// The command-line host's editor in a real window: a private Xvfb, the user's clicks, drags and
// typing played with xdotool, and the window's pixels read back with xwd.

#include "XvfbTest.h"

#include <csignal>

namespace {

using EditCommand = XvfbTest;

TEST_F(EditCommand, ClicksDragsAndTheWheelSetTheParametersAndTheWindowShowsWhatASnapshotDoes) {
    const std::string silence = mFolder / "silence.wav", preset = mFolder / "left.aupreset";
    WriteSilence(silence);
    ChildProcess edit({BRINDLEX_EXECUTABLE, "edit", "--input", silence, "--save", preset},
                      Display(), mFolder / "edit.out");
    ASSERT_TRUE(edit.Started());
    const std::string window = WaitForWindow("Brindlex");
    ASSERT_FALSE(window.empty()) << ReadTextFile(mFolder / "edit.out");

    // The amp on; its gain knob dragged 40 pixels up.
    ASSERT_TRUE(Play({At(window, kAmpSwitch), {"click", "1"}}));
    ASSERT_TRUE(Play({At(window, kAmpGainKnob),
                      {"mousedown", "1"},
                      At(window, kAmpGainKnob, -20),
                      At(window, kAmpGainKnob, -40),
                      {"mouseup", "1"}}));
    // A wheel step down on its tone knob: a hundredth of its travel.
    ASSERT_TRUE(Play({At(window, kAmpToneKnob), {"click", "5"}}));

    XwdImage shown;
    ASSERT_TRUE(SettledPicture(window, &shown));
    edit.Signal(SIGTERM);
    ASSERT_EQ(edit.Wait(10.0), 0);
    const std::string table = ReadTextFile(mFolder / "edit.out");

    EXPECT_EQ(ValueOf(table, "(Amp On) --amp"), "on") << table;
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
    EXPECT_TRUE(SamePicture(shown, expected.get()));
}

TEST(EditWithoutADisplay, SaysSoAndFails) {
    const RunResult run = RunProgram({BRINDLEX_EXECUTABLE, "edit"}, "");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "brindlex: edit: no X display: DISPLAY is not set\n");
}

} // namespace
