#include "TestGraphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {
// A plug-in with a continuous, a three-way enumerated and an on/off parameter, and its editor,
// drawing with the whole surface as its clip.
struct Controls : ::testing::Test {
    Controls() {
        plug.GetParam(0)->InitDouble("Gain", 0.0, 0.0, 10.0, 0.01, "dB");
        plug.GetParam(1)->InitEnum("Mode", 0, 3);
        for (int i = 0; i < 3; ++i)
            plug.GetParam(1)->SetDisplayText(i, i == 0 ? "A" : i == 1 ? "B" : "C");
        plug.GetParam(2)->InitBool("Power", false);
        editor = new TestGraphics(&plug, 200, 200);
        plug.AttachGraphics(editor);
        editor->SetDrawClip(IRECT(0, 0, 200, 200));
    }
    template <class C> C* Add(C* control) {
        editor->AttachControl(control);
        return control;
    }
    // A coordinate image of frames w x h frames stacked vertically.
    IBitmap Strip(int frames, int w, int h) {
        const int id = UniqueImageId();
        editor->AddImage(id, MakeCoordinateImage(w, h * frames));
        return editor->LoadIBitmap(id, "strip.png", frames);
    }
    // The frame of a strip of frameHeight-pixel frames that shows at (x, y), 0 for none.
    int FrameAt(int x, int y, int frameHeight) {
        const PIX_pixel pixel = PIX_GetPixel(editor->Surface(), x, y);
        return pixel ? SourceOf(pixel).second / frameHeight + 1 : 0;
    }
    int FrameDrawn(IControl* control, int frameHeight) {
        PIX_Clear(editor->Surface(), 0);
        control->Draw(editor);
        return FrameAt(control->GetRECT().left, control->GetRECT().top, frameHeight);
    }
    // The control's value as the plug-in last heard it.
    double Reported() const { return plug.mInformed.empty() ? -1.0 : plug.mInformed.back().second; }

    TestPlug plug{3};
    TestGraphics* editor;
    const IMouseMod left{true};
    const IMouseMod shift{true, false, true};
    const IMouseMod control{true, false, false, true};
    const IMouseMod right{false, true};
};
} // namespace

TEST_F(Controls, KnobFramesFollowTheValue) {
    const IBitmap strip = Strip(60, 4, 4);
    auto* knob = Add(new IKnobMultiControl(&plug, 10, 20, 0, strip));
    EXPECT_EQ(knob->GetRECT(), IRECT(10, 20, 14, 24));
    knob->SetValueFromPlug(0.0);
    EXPECT_EQ(FrameDrawn(knob, 4), 1);
    knob->SetValueFromPlug(0.5);
    EXPECT_EQ(FrameDrawn(knob, 4), 31);
    knob->SetValueFromPlug(1.0);
    EXPECT_EQ(FrameDrawn(knob, 4), 60);

    auto* fresh = Add(new IKnobMultiControl(&plug, 30, 20, 0, strip));
    fresh->SetValueFromPlug(1.2); // the first value is stored unclamped
    EXPECT_EQ(FrameDrawn(fresh, 4), 60);
    auto* wild = Add(new IKnobMultiControl(&plug, 50, 20, 0, strip));
    wild->SetValueFromPlug(std::numeric_limits<double>::infinity());
    EXPECT_EQ(FrameDrawn(wild, 4), 60);
    auto* lost = Add(new IKnobMultiControl(&plug, 70, 20, 0, strip));
    lost->SetValueFromPlug(-1e300);
    EXPECT_EQ(FrameDrawn(lost, 4), 1);
}

TEST_F(Controls, BitmapControlsRoundToTheNearestFrame) {
    auto* lamp = Add(new IBitmapControl(&plug, 0, 0, Strip(2, 3, 3)));
    EXPECT_EQ(lamp->ParamIdx(), -1);
    lamp->SetValueFromPlug(0.49);
    EXPECT_EQ(FrameDrawn(lamp, 3), 1);
    lamp->SetValueFromPlug(0.5);
    EXPECT_EQ(FrameDrawn(lamp, 3), 2);
    auto* still = Add(new IBitmapControl(&plug, 10, 0, 2, Strip(1, 3, 3)));
    EXPECT_EQ(still->ParamIdx(), 2);
    still->SetValueFromPlug(1.0);
    EXPECT_EQ(FrameDrawn(still, 3), 1);
}

TEST_F(Controls, KnobDragsAreGearedAndFineWithShiftOrControl) {
    auto* knob = Add(new IKnobControl(&plug, IRECT(0, 0, 48, 48), 0));
    knob->SetValueFromPlug(0.25);
    editor->OnMouseDown(10, 10, left);
    editor->OnMouseDrag(10, -86, left); // 96 pixels up
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.75);
    EXPECT_DOUBLE_EQ(Reported(), 0.75);
    EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 7.5);
    editor->OnMouseDrag(10, 10, shift); // 96 down, fine
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.7);
    editor->OnMouseDrag(10, 106, control);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.65);
    editor->OnMouseDrag(10, -1000, left); // held at the top
    EXPECT_EQ(knob->GetValue(), 1.0);
    editor->OnMouseUp(10, -1000, left);
    EXPECT_EQ(plug.mGestures, (std::vector<std::string>{"begin 0", "end 0"}));

    auto* across =
        Add(new IKnobControl(&plug, IRECT(100, 0, 120, 10), 0, IControl::kDirHorizontal, 2.0));
    across->SetValueFromPlug(0.0);
    across->OnMouseDrag(0, 0, 10, -50, left); // horizontal knobs ignore vertical motion
    EXPECT_DOUBLE_EQ(across->GetValue(), 0.25);
}

TEST_F(Controls, KnobsHideTheCursorForTheDragAndShowItOnRelease) {
    auto* knob = Add(new IKnobMultiControl(&plug, 10, 10, 0, Strip(4, 8, 8)));
    editor->OnMouseDown(12, 12, left);
    EXPECT_TRUE(editor->CursorHidden());
    editor->OnMouseDrag(12, 5, left);
    EXPECT_EQ(editor->mCursorHides, 1);
    EXPECT_EQ(editor->mCursorShows, 0);
    editor->OnMouseUp(12, 5, left);
    EXPECT_FALSE(editor->CursorHidden());
    EXPECT_EQ(editor->mCursorShows, 1);

    // A right press prompts and leaves the cursor alone.
    knob->DisablePrompt(false);
    editor->OnMouseDown(12, 12, right);
    EXPECT_EQ(editor->mCursorHides, 1);
    EXPECT_EQ(editor->mTextEntries.size(), 1u);
    editor->OnMouseUp(12, 12, right);
    EXPECT_FALSE(editor->CursorHidden());
}

TEST_F(Controls, KnobWheelSteps) {
    auto* knob = Add(new IKnobControl(&plug, IRECT(0, 0, 10, 10), 0));
    knob->SetValueFromPlug(0.5);
    editor->OnMouseWheel(5, 5, left, 1.0f);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.51);
    editor->OnMouseWheel(5, 5, control, 1.0f);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.511);
    editor->OnMouseWheel(5, 5, shift, -3.0f);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.508);
}

TEST_F(Controls, KnobsWithoutTravelIgnoreDrags) {
    auto* flat = Add(new IKnobControl(&plug, IRECT(0, 5, 10, 5), 0));
    auto* thin = Add(new IKnobControl(&plug, IRECT(0, 0, 0, 10), 0, IControl::kDirHorizontal));
    auto* stuck = Add(new IKnobControl(&plug, IRECT(0, 0, 10, 10), 0));
    stuck->SetGearing(0.0);
    for (IKnobControl* knob : {flat, thin, stuck}) {
        knob->SetValueFromPlug(0.5);
        knob->OnMouseDrag(3, 3, 2, -7, left);
        knob->OnMouseDrag(3, 3, 0, 0, left);
        EXPECT_EQ(knob->GetValue(), 0.5);
    }
    EXPECT_TRUE(plug.mInformed.empty());
}

TEST_F(Controls, SwitchesStepThroughTheirFrames) {
    auto* toggle = Add(new ISwitchControl(&plug, 0, 0, 2, Strip(2, 4, 4)));
    toggle->SetValueFromPlug(1.0);
    editor->OnMouseDown(1, 1, left);
    EXPECT_EQ(toggle->GetValue(), 0.0);
    editor->OnMouseDown(1, 1, left);
    EXPECT_EQ(toggle->GetValue(), 1.0);
    EXPECT_EQ(plug.GetParam(2)->Value(), 1.0);
    EXPECT_FALSE(editor->OnMouseDblClick(1, 1, left)); // a double click steps too
    EXPECT_EQ(toggle->GetValue(), 0.0);

    auto* three = Add(new ISwitchControl(&plug, 10, 0, 1, Strip(3, 4, 4)));
    three->SetValueFromPlug(0.0);
    std::vector<double> seen;
    for (int i = 0; i < 4; ++i) {
        editor->OnMouseDown(11, 1, left);
        seen.push_back(three->GetValue());
    }
    EXPECT_EQ(seen, (std::vector<double>{0.5, 1.0, 0.0, 0.5}));
    EXPECT_EQ(FrameDrawn(three, 4), 2);

    auto* single = Add(new ISwitchControl(&plug, 20, 0, -1, Strip(1, 4, 4)));
    single->OnMouseDown(0, 0, left);
    EXPECT_EQ(single->GetValue(), 1.0);
    single->OnMouseDown(0, 0, left);
    EXPECT_EQ(single->GetValue(), 0.0);
}

TEST_F(Controls, PopUpSwitchesPromptOnAPress) {
    auto* mode = Add(new ISwitchPopUpControl(&plug, 0, 0, 1, Strip(3, 4, 4)));
    editor->mMenuChoices = {2};
    editor->OnMouseDown(1, 1, left);
    ASSERT_EQ(editor->mMenus.size(), 1u);
    EXPECT_EQ(editor->mMenus[0].items, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(mode->GetValue(), 1.0);
    EXPECT_EQ(plug.GetParam(1)->Value(), 2.0);
}

TEST_F(Controls, FrameSwitchesPickThePartPressed) {
    auto* frames = Add(new ISwitchFramesControl(&plug, 0, 0, 1, Strip(3, 10, 10)));
    EXPECT_FALSE(frames->IsPromptDisabled());
    frames->OnMouseDown(5, 4, left); // rows 3 to 5 are the middle third
    EXPECT_EQ(frames->GetValue(), 0.5);
    frames->OnMouseDown(5, 8, left);
    EXPECT_EQ(frames->GetValue(), 1.0);
    const size_t reported = plug.mInformed.size();
    frames->OnMouseDown(5, 9, left); // in no part: the value stays but is reported again
    EXPECT_EQ(frames->GetValue(), 1.0);
    EXPECT_EQ(plug.mInformed.size(), reported + 1);

    auto* across = Add(new ISwitchFramesControl(&plug, 20, 0, 1, Strip(2, 10, 10), true));
    across->OnMouseDown(26, 1, left);
    EXPECT_EQ(across->GetValue(), 1.0);
    across->OnMouseDblClick(21, 1, left); // a double click picks too, rather than stepping
    EXPECT_EQ(across->GetValue(), 0.0);

    auto* single = Add(new ISwitchFramesControl(&plug, 40, 0, 1, Strip(1, 10, 10)));
    single->SetValueFromPlug(1.0);
    single->OnMouseDown(41, 1, left);
    EXPECT_EQ(single->GetValue(), 0.0);
    EXPECT_TRUE(std::isfinite(Reported()));
}

TEST_F(Controls, InvisibleSwitchesToggle) {
    auto* hotspot = Add(new IInvisibleSwitchControl(&plug, IRECT(0, 0, 10, 10), 2));
    EXPECT_EQ(hotspot->GetBlend().method, IChannelBlend::kBlendOverwrite);
    editor->OnMouseDown(1, 1, left);
    EXPECT_EQ(hotspot->GetValue(), 1.0);
    editor->OnMouseDown(1, 1, left);
    EXPECT_EQ(hotspot->GetValue(), 0.0);
    PIX_Clear(editor->Surface(), 0);
    EXPECT_TRUE(hotspot->Draw(editor));
    EXPECT_EQ(PIX_GetPixel(editor->Surface(), 1, 1), 0u);
}

TEST_F(Controls, RadioButtonsAreSpreadEvenly) {
    const IBitmap button = Strip(2, 10, 10);
    auto* column = Add(new IRadioButtonsControl(&plug, IRECT(0, 0, 10, 100), 1, 3, button));
    EXPECT_EQ(column->GetButtons(), (std::vector<IRECT>{IRECT(0, 0, 10, 10), IRECT(0, 45, 10, 55),
                                                        IRECT(0, 90, 10, 100)}));
    column->OnMouseDown(5, 50, left);
    EXPECT_EQ(column->GetValue(), 0.5);
    EXPECT_EQ(plug.GetParam(1)->Value(), 1.0);
    column->OnMouseDown(5, 30, left); // between buttons
    EXPECT_EQ(column->GetValue(), 0.5);

    PIX_Clear(editor->Surface(), 0);
    column->Draw(editor);
    EXPECT_EQ(FrameAt(0, 0, 10), 1);
    EXPECT_EQ(FrameAt(0, 45, 10), 2);
    EXPECT_EQ(FrameAt(0, 90, 10), 1);

    const IRadioButtonsControl reversed(&plug, IRECT(0, 0, 100, 10), 1, 3, button,
                                        IControl::kDirHorizontal, true);
    EXPECT_EQ(
        reversed.GetButtons(),
        (std::vector<IRECT>{IRECT(90, 0, 100, 10), IRECT(45, 0, 55, 10), IRECT(0, 0, 10, 10)}));

    auto* lonely = Add(new IRadioButtonsControl(&plug, IRECT(120, 0, 130, 50), 1, 1, button));
    EXPECT_EQ(lonely->GetButtons(), std::vector<IRECT>{IRECT(120, 0, 130, 10)});
    lonely->SetValueFromPlug(1.0);
    lonely->OnMouseDown(121, 1, left);
    EXPECT_EQ(lonely->GetValue(), 0.0);
    EXPECT_EQ(FrameDrawn(lonely, 10), 2);

    lonely->DisablePrompt(false);
    lonely->OnMouseDown(121, 1, right);
    EXPECT_EQ(editor->mMenus.size(), 1u);
}

TEST_F(Controls, ContactsSpringBack) {
    auto* contact = Add(new IContactControl(&plug, 0, 0, 2, Strip(2, 4, 4)));
    editor->OnMouseDown(1, 1, left);
    EXPECT_EQ(contact->GetValue(), 1.0);
    editor->OnMouseUp(1, 1, left);
    EXPECT_EQ(contact->GetValue(), 0.0);
    EXPECT_EQ(plug.GetParam(2)->Value(), 0.0);
}

TEST_F(Controls, OverlaysAreHitWhereTheyShow) {
    auto* overlay =
        Add(new IBitmapOverlayControl(&plug, 50, 50, 2, Strip(2, 10, 10), IRECT(0, 0, 5, 5)));
    EXPECT_FALSE(overlay->IsHit(55, 55));
    EXPECT_TRUE(overlay->IsHit(1, 1));
    EXPECT_EQ(FrameDrawn(overlay, 10), 0); // off: nothing drawn
    editor->OnMouseDown(1, 1, left);
    EXPECT_EQ(overlay->GetValue(), 1.0);
    EXPECT_TRUE(overlay->IsHit(55, 55));
    EXPECT_FALSE(overlay->IsHit(1, 1));
    EXPECT_EQ(FrameDrawn(overlay, 10), 2);
}

TEST_F(Controls, FaderHandlesTravelTheirTrack) {
    const int id = UniqueImageId();
    editor->AddImage(id, MakeCoordinateImage(10, 20));
    const IBitmap handle = editor->LoadIBitmap(id, "handle.png");
    auto* fader = Add(new IFaderControl(&plug, 5, 5, 100, 0, handle));
    EXPECT_EQ(fader->GetRECT(), IRECT(5, 5, 15, 105));
    EXPECT_EQ(fader->GetHandleHeadroom(), 20);
    EXPECT_EQ(fader->GetHandleRECT(1.0), IRECT(5, 5, 15, 25));
    EXPECT_EQ(fader->GetHandleRECT(0.0), IRECT(5, 85, 15, 105));
    EXPECT_EQ(fader->GetHandleRECT(0.5), IRECT(5, 45, 15, 65));
    EXPECT_EQ(fader->GetHandleRECT(0.33), IRECT(5, 58, 15, 78)); // offset trunc(0.67 x 80)
    EXPECT_EQ(fader->GetHandleRECT(2.0), IRECT(5, 5, 15, 25));   // never off the track

    editor->OnMouseDown(9, 65, left); // the handle's centre under the pointer
    EXPECT_DOUBLE_EQ(fader->GetValue(), 0.375);
    editor->OnMouseDrag(9, 15, left);
    EXPECT_DOUBLE_EQ(fader->GetValue(), 1.0);
    editor->OnMouseDrag(9, 500, left);
    EXPECT_EQ(fader->GetValue(), 0.0);
    editor->OnMouseUp(9, 500, left);
    PIX_Clear(editor->Surface(), 0);
    fader->Draw(editor);
    EXPECT_EQ(SourceOf(PIX_GetPixel(editor->Surface(), 5, 85)), std::make_pair(0, 0));
    EXPECT_EQ(PIX_GetPixel(editor->Surface(), 5, 84), 0u);

    editor->OnMouseWheel(9, 50, shift, 2.0f);
    EXPECT_DOUBLE_EQ(fader->GetValue(), 0.002);

    const int wideId = UniqueImageId();
    editor->AddImage(wideId, MakeCoordinateImage(20, 10));
    const IBitmap wideHandle = editor->LoadIBitmap(wideId, "wide.png");
    IFaderControl across(&plug, 5, 5, 100, 0, wideHandle, IControl::kDirHorizontal, true);
    EXPECT_EQ(across.GetRECT(), IRECT(5, 5, 105, 15));
    EXPECT_EQ(across.GetHandleRECT(0.25), IRECT(25, 5, 45, 15));
    across.SnapToMouse(55, 0);
    EXPECT_DOUBLE_EQ(across.GetValue(), 0.5);
    EXPECT_TRUE(across.IsHit(50, 10)); // only the handle is hit
    EXPECT_FALSE(across.IsHit(20, 10));
}

TEST_F(Controls, FadersWithoutTravelStayPut) {
    const int id = UniqueImageId();
    editor->AddImage(id, MakeCoordinateImage(10, 20));
    const IBitmap handle = editor->LoadIBitmap(id, "handle.png");
    auto* fader = Add(new IFaderControl(&plug, 0, 0, 20, 0, handle));
    fader->SetValueFromPlug(0.5);
    editor->OnMouseDown(5, 3, left);
    editor->OnMouseDrag(5, 17, left);
    EXPECT_EQ(fader->GetValue(), 0.5);
    EXPECT_TRUE(plug.mInformed.empty());
    EXPECT_EQ(fader->GetHandleRECT(), IRECT(0, 0, 10, 20));
    editor->OnMouseUp(5, 17, left);

    // A right press prompts instead of moving.
    fader->DisablePrompt(false);
    fader->OnMouseDown(5, 5, right);
    EXPECT_EQ(editor->mTextEntries.size(), 1u);
}

TEST_F(Controls, TextControlsRedrawOnlyForNewText) {
    const IText style(14, &COLOR_RED);
    auto* label = Add(new ITextControl(&plug, IRECT(0, 0, 50, 20), &style, "hello"));
    EXPECT_EQ(label->ParamIdx(), -1);
    EXPECT_EQ(label->GetText()->size, 14);
    label->SetClean();
    label->SetTextFromPlug("hello");
    EXPECT_FALSE(label->IsDirty());
    label->SetTextFromPlug("world");
    EXPECT_TRUE(label->IsDirty());
    EXPECT_STREQ(label->GetTextString(), "world");
    ITextControl empty(&plug, IRECT(), nullptr);
    EXPECT_TRUE(empty.Draw(editor));
    EXPECT_EQ(empty.GetText()->size, 10);
}

TEST_F(Controls, CaptionsShowTheParameterAndPrompt) {
    auto* gain = Add(new ICaptionControl(&plug, IRECT(0, 0, 50, 20), 0, nullptr));
    auto* bare = Add(new ICaptionControl(&plug, IRECT(0, 30, 50, 50), 0, nullptr, false));
    auto* mode = Add(new ICaptionControl(&plug, IRECT(0, 60, 50, 80), 1, nullptr));
    plug.GetParam(0)->Set(2.5);
    plug.GetParam(1)->Set(1.0);
    plug.RedrawParamControls();
    gain->Draw(editor);
    bare->Draw(editor);
    mode->Draw(editor);
    EXPECT_STREQ(gain->GetTextString(), "2.50 dB");
    EXPECT_STREQ(bare->GetTextString(), "2.50");
    EXPECT_STREQ(mode->GetTextString(), "B");

    editor->mMenuChoices = {0};
    editor->OnMouseDown(5, 65, left);
    EXPECT_EQ(editor->mMenus.size(), 1u);
    EXPECT_EQ(plug.GetParam(1)->Value(), 0.0);
    editor->OnMouseDown(5, 5, right);
    EXPECT_EQ(editor->mTextEntries.size(), 1u);
    editor->OnMouseDblClick(5, 5, left);
    EXPECT_EQ(editor->mTextEntries.size(), 2u);
}

TEST_F(Controls, URLsFallBackToTheBackup) {
    auto* link = Add(new IURLControl(&plug, IRECT(0, 0, 10, 10), "http://a.example",
                                     "http://b.example", "could not open"));
    editor->mURLResults = {false, true};
    editor->OnMouseDown(1, 1, left);
    EXPECT_EQ(editor->mURLs, (std::vector<std::string>{"http://a.example", "http://b.example"}));
    editor->OnMouseDown(1, 1, left);
    EXPECT_EQ(editor->mURLs.size(), 3u); // the first one opened this time
    EXPECT_TRUE(link->Draw(editor));

    Add(new IURLControl(&plug, IRECT(20, 0, 30, 10), "", "http://b.example"));
    editor->OnMouseDown(21, 1, left);
    EXPECT_EQ(editor->mURLs.back(), "http://b.example");
    EXPECT_EQ(editor->mURLs.size(), 4u);

    const std::string longURL(300, 'u');
    Add(new IURLControl(&plug, IRECT(40, 0, 50, 10), longURL.c_str()));
    editor->OnMouseDown(41, 1, left);
    EXPECT_EQ(editor->mURLs.back(), std::string(255, 'u'));
}

TEST_F(Controls, FileSelectorsCountChoicesAndReportOnce) {
    auto* chooser = Add(new IFileSelectorControl(&plug, IRECT(0, 0, 10, 10), 2, Strip(1, 10, 10),
                                                 kFileOpen, "/start/"));
    editor->mChosenFiles = {"/start/take.wav", ""};
    editor->OnMouseDown(1, 1, left);
    EXPECT_EQ(editor->mFilePrompts, std::vector<std::string>{"/start/"});
    UTL_String file;
    chooser->GetLastSelectedFileForPlug(&file);
    EXPECT_STREQ(file.Get(), "/start/take.wav");
    EXPECT_EQ(chooser->GetValue(), 1.0);
    EXPECT_EQ(plug.GetParam(2)->Value(), 1.0);
    EXPECT_EQ(chooser->GetState(), IFileSelectorControl::kFSDone);
    chooser->SetClean();
    EXPECT_TRUE(chooser->IsDirty()); // once after the choice
    EXPECT_FALSE(chooser->IsDirty());
    EXPECT_EQ(FrameDrawn(chooser, 10), 0); // the image shows only while the dialog is open

    editor->OnMouseDown(1, 1, left);
    EXPECT_EQ(chooser->GetValue(), 0.0);
}

TEST_F(Controls, BitmapTextControlsDrawTheirString) {
    auto* glyphs = new PIX_MemBitmap(2, 95 * 3);
    for (int c = ' '; c <= '~'; ++c)
        PIX_FillRect(glyphs, 0, (c - ' ') * 3, 2, 3, PIX_RGBA(c, 0, 0, 255), 1.0f,
                     PIX_COMBINE_COPY);
    const int id = UniqueImageId();
    editor->AddImage(id, glyphs);
    const IBitmap font = editor->LoadIBitmap(id, "font.png", 95);
    const IText leftAligned(10, nullptr, nullptr, IText::kStyleNormal, IText::kAlignLeft);
    auto* text =
        Add(new IBitmapTextControl(&plug, IRECT(0, 0, 20, 3), font, &leftAligned, "ok", 2, 3));
    text->SetClean();
    text->SetTextFromPlug("ok");
    EXPECT_FALSE(text->IsDirty());
    text->SetTextFromPlug("hi");
    EXPECT_TRUE(text->IsDirty());
    text->Draw(editor);
    EXPECT_EQ(PIX_GETR(PIX_GetPixel(editor->Surface(), 0, 0)), 'h');
    EXPECT_EQ(PIX_GETR(PIX_GetPixel(editor->Surface(), 2, 0)), 'i');
}

TEST_F(Controls, RotatingKnobsDrawAtTheirPlace) {
    auto* square = new PIX_MemBitmap(6, 6);
    PIX_Clear(square, PIX_RGBA(0, 200, 0, 255));
    const int id = UniqueImageId();
    editor->AddImage(id, square);
    const IBitmap image = editor->LoadIBitmap(id, "square.png");
    auto* rotater = Add(new IKnobRotaterControl(&plug, 20, 20, 0, image));
    EXPECT_EQ(rotater->GetRECT(), IRECT(20, 20, 26, 26));
    rotater->SetValueFromPlug(0.5); // straight up
    rotater->Draw(editor);
    EXPECT_EQ(PIX_GetPixel(editor->Surface(), 22, 22), PIX_RGBA(0, 200, 0, 255));

    auto* masked = Add(new IKnobRotatingMaskControl(&plug, 40, 40, 0, image, image, image));
    EXPECT_EQ(masked->GetRECT(), IRECT(40, 40, 46, 46));
    masked->Draw(editor);
    EXPECT_EQ(PIX_GetPixel(editor->Surface(), 42, 42), PIX_RGBA(0, 200, 0, 255));
    EXPECT_EQ(PIX_GetPixel(editor->Surface(), 46, 42), 0u);
}
