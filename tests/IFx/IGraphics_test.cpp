#include "TestGraphics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
// A plug-in with a continuous, an enumerated and a boolean parameter, and its editor.
struct EditorFixture : ::testing::Test {
    EditorFixture() {
        plug.GetParam(0)->InitDouble("Gain", 5.0, 0.0, 10.0, 0.1, "dB");
        plug.GetParam(1)->InitEnum("Mode", 1, 2);
        plug.GetParam(1)->SetDisplayText(0, "Off");
        plug.GetParam(1)->SetDisplayText(1, "On");
        plug.GetParam(2)->InitBool("Power", false);
        editor = new TestGraphics(&plug, 100, 80);
    }

    // Attaches a probe and returns it.
    ProbeControl* Probe(const IRECT& rect, int paramIdx = -1, const std::string& name = "") {
        auto* probe = new ProbeControl(&plug, rect, paramIdx, &drawLog, name);
        editor->AttachControl(probe);
        return probe;
    }
    // Hands the editor to the plug-in, which pushes the parameter values and prepares drawing.
    void Attach() { plug.AttachGraphics(editor); }
    void CleanAll() {
        for (int i = 0; i < editor->NControls(); ++i)
            editor->GetControl(i)->SetClean();
        drawLog.clear();
    }

    TestPlug plug{3};
    TestGraphics* editor; // owned by the plug-in once attached
    std::vector<std::string> drawLog;
    const IMouseMod left{true};
};

struct EditorEvents : EditorFixture {};
struct EditorDrawing : EditorFixture {};
struct EditorPrompts : EditorFixture {};
} // namespace

TEST(IGraphics, FrameRateDefaultsTo25) {
    TestPlug plug;
    EXPECT_EQ(TestGraphics(&plug, 700, 700, 0).FPS(), 25);
    EXPECT_EQ(TestGraphics(&plug, 700, 700, -3).FPS(), 25);
    EXPECT_EQ(TestGraphics(&plug, 700, 700, 60).FPS(), 60);
    const TestGraphics editor(&plug, 700, 500);
    EXPECT_EQ(editor.Width(), 700);
    EXPECT_EQ(editor.Height(), 500);
    EXPECT_EQ(editor.GetMouseOver(), -1);
    EXPECT_FALSE(editor.TooltipsEnabled());
}

TEST_F(EditorFixture, BackgroundsGoToIndexZero) {
    const int id = UniqueImageId();
    editor->AddImage(id, MakeCoordinateImage(100, 80));
    editor->AttachBackground(id, "bg.png");
    ProbeControl* a = Probe(IRECT(0, 0, 5, 5));
    EXPECT_EQ(editor->AttachControl(new ProbeControl(&plug, IRECT())), 2);
    EXPECT_EQ(editor->AttachControl(new ProbeControl(&plug, IRECT())), 3);
    EXPECT_EQ(editor->GetControl(1), a);
    ASSERT_EQ(editor->mImageLoads.size(), 1u);
    EXPECT_EQ(editor->mImageLoads[0], std::make_pair(id, std::string("bg.png")));

    IControl* background = editor->GetControl(0);
    EXPECT_EQ(background->GetRECT(), IRECT(0, 0, 100, 80));
    EXPECT_EQ(background->ParamIdx(), -1);
    EXPECT_EQ(background->GetBlend().method, IChannelBlend::kBlendOverwrite);

    editor->AttachPanelBackground(COLOR_RED);
    EXPECT_EQ(editor->NControls(), 5);
    EXPECT_EQ(editor->GetControl(1), background);
    EXPECT_EQ(editor->GetControl(2), a);
    EXPECT_EQ(editor->GetControl(0)->GetRECT(), IRECT(0, 0, 100, 80));
    delete editor;
}

TEST_F(EditorFixture, ParameterValuesReachEveryBoundControl) {
    ProbeControl* a = Probe(IRECT(), 0);
    ProbeControl* b = Probe(IRECT(), 0);
    ProbeControl* other = Probe(IRECT(), 1);
    ProbeControl* follower = Probe(IRECT());
    follower->AddAuxParam(2);
    follower->AddAuxParam(0);
    Attach();
    EXPECT_EQ(a->GetValue(), 0.5);
    EXPECT_EQ(b->GetValue(), 0.5);
    EXPECT_EQ(other->GetValue(), 1.0);
    EXPECT_EQ(follower->GetAuxParam(1)->mValue, 0.5);

    editor->SetParameterFromPlug(0, 2.5, false); // real units
    EXPECT_EQ(a->GetValue(), 0.25);
    EXPECT_EQ(b->GetValue(), 0.25);
    EXPECT_EQ(follower->GetAuxParam(1)->mValue, 0.25);
    EXPECT_EQ(follower->GetAuxParam(0)->mValue, 0.0);
    editor->SetParameterFromPlug(0, 0.75, true);
    EXPECT_EQ(a->GetValue(), 0.75);
    EXPECT_EQ(other->GetValue(), 1.0);

    editor->SetControlFromPlug(2, 0.0);
    EXPECT_EQ(other->GetValue(), 0.0);
    editor->SetControlFromPlug(4, 0.3); // no such control
    editor->SetControlFromPlug(-1, 0.3);
    EXPECT_EQ(a->GetValue(), 0.75);
    EXPECT_TRUE(plug.mInformed.empty()); // values from the plug-in are never reported back
}

TEST_F(EditorFixture, ValuesFromTheEditorAreReportedByTheControls) {
    ProbeControl* a = Probe(IRECT(), 0);
    ProbeControl* b = Probe(IRECT(), 0);
    Attach();
    editor->SetParameterFromGUI(0, 0.2);
    EXPECT_EQ(a->GetValue(), 0.2);
    EXPECT_EQ(b->GetValue(), 0.2);
    ASSERT_EQ(plug.mInformed.size(), 2u); // each control reports itself
    EXPECT_EQ(plug.mInformed[0], std::make_pair(0, 0.2));
    EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 2.0);
}

TEST_F(EditorFixture, ClampHideAndGrayApplyToBoundControls) {
    ProbeControl* a = Probe(IRECT(), 0);
    ProbeControl* unbound = Probe(IRECT());
    Attach();
    editor->ClampControl(0, 2.0, 4.0, false); // real units, converted
    a->SetValueFromUserInput(0.9);
    EXPECT_DOUBLE_EQ(a->GetValue(), 0.4);
    editor->ClampControl(0, 0.5, 0.6, true);
    a->SetValueFromUserInput(0.1);
    EXPECT_DOUBLE_EQ(a->GetValue(), 0.5);

    editor->HideControl(0, true);
    EXPECT_TRUE(a->IsHidden());
    EXPECT_FALSE(unbound->IsHidden());
    editor->GrayOutControl(0, true);
    EXPECT_TRUE(a->IsGrayed());
    EXPECT_FLOAT_EQ(a->GetBlend().weight, 0.25f);
    editor->GrayOutControl(0, false);
    EXPECT_FLOAT_EQ(a->GetBlend().weight, 1.0f);
}

TEST_F(EditorFixture, ToolTipsTakeTheParameterNames) {
    ProbeControl* a = Probe(IRECT(), 1);
    ProbeControl* unbound = Probe(IRECT());
    unbound->SetTooltip("mine");
    editor->AssignParamNameToolTips();
    EXPECT_STREQ(a->GetTooltip(), "Mode");
    EXPECT_STREQ(unbound->GetTooltip(), "mine");
    delete editor;
}

TEST_F(EditorFixture, ResizeStartsOverWithoutControls) {
    Probe(IRECT(0, 0, 10, 10), 0);
    editor->AttachKeyCatcher(new ProbeControl(&plug, IRECT()));
    Attach();
    editor->OnMouseDown(5, 5, left);
    editor->Resize(40, 30);
    EXPECT_EQ(editor->NControls(), 0);
    EXPECT_EQ(editor->Width(), 40);
    ASSERT_NE(editor->Surface(), nullptr);
    EXPECT_EQ(editor->Surface()->getWidth(), 40);
    EXPECT_EQ(editor->Surface()->getHeight(), 30);
    EXPECT_EQ(editor->GetMouseControlIdx(5, 5), -1); // the capture went with the controls
    EXPECT_EQ(plug.mResizes, (std::vector<std::pair<int, int>>{{40, 30}}));
}

TEST_F(EditorDrawing, DirtyAreaIsTheUnionOfDirtyControls) {
    Probe(IRECT(0, 0, 10, 10));
    Probe(IRECT(20, 20, 30, 30));
    ProbeControl* clean = Probe(IRECT(50, 50, 60, 60));
    clean->SetClean();
    IRECT area;
    EXPECT_TRUE(editor->IsDirty(&area));
    EXPECT_EQ(area, IRECT(0, 0, 30, 30));

    CleanAll();
    IRECT untouched(1, 2, 3, 4);
    EXPECT_FALSE(editor->IsDirty(&untouched));
    EXPECT_EQ(untouched, IRECT(1, 2, 3, 4));
    delete editor;
}

TEST_F(EditorDrawing, StrictPassDrawsWhatIntersectsAndCleansAll) {
    editor->PrepDraw();
    ProbeControl* a = Probe(IRECT(0, 0, 10, 10), -1, "a");
    ProbeControl* b = Probe(IRECT(20, 0, 30, 10), -1, "b");
    ProbeControl* c = Probe(IRECT(40, 0, 50, 10), -1, "c");
    ProbeControl* hidden = Probe(IRECT(10, 0, 20, 10), -1, "hidden");
    hidden->Hide(true);
    // The area's right edge touching b counts; a's right edge touching the area does not.
    EXPECT_TRUE(editor->Draw(IRECT(10, 0, 20, 5)));
    EXPECT_EQ(drawLog, std::vector<std::string>{"b"});
    EXPECT_EQ(b->mDrawClips[0], IRECT(10, 0, 20, 5));
    EXPECT_FALSE(a->IsDirty());
    EXPECT_FALSE(b->IsDirty());
    EXPECT_FALSE(c->IsDirty());
    EXPECT_TRUE(hidden->IsDirty()); // hiding asks for one more pass
    EXPECT_EQ(editor->mScreenRects, std::vector<IRECT>{IRECT(10, 0, 20, 5)});

    // An area that touches nothing still cleans everything and reaches the screen.
    b->SetDirty(false);
    drawLog.clear();
    editor->Draw(IRECT(60, 40, 70, 50));
    EXPECT_TRUE(drawLog.empty());
    EXPECT_FALSE(b->IsDirty());
    EXPECT_FALSE(hidden->IsDirty());
    EXPECT_EQ(editor->mScreenRects.size(), 2u);
    delete editor;
}

TEST_F(EditorDrawing, NothingToDrawWithoutControls) {
    editor->PrepDraw();
    EXPECT_TRUE(editor->Draw(IRECT(0, 0, 10, 10)));
    EXPECT_TRUE(editor->mScreenRects.empty());
    delete editor;
}

TEST_F(EditorDrawing, NonStrictPassWithADirtyBackgroundDrawsEverythingVisible) {
    editor->PrepDraw();
    editor->SetStrictDrawing(false);
    Probe(IRECT(0, 0, 100, 80), -1, "bg");
    ProbeControl* far = Probe(IRECT(90, 70, 95, 75), -1, "far");
    ProbeControl* hidden = Probe(IRECT(0, 0, 5, 5), -1, "hidden");
    hidden->Hide(true);
    hidden->SetClean(); // Hide asked for one more pass
    hidden->SetDirty(false);
    editor->Draw(IRECT(0, 0, 1, 1));
    EXPECT_EQ(drawLog, (std::vector<std::string>{"bg", "far"}));
    EXPECT_EQ(far->mDrawClips[0], IRECT(0, 0, 100, 80)); // the background's rectangle
    EXPECT_FALSE(far->IsDirty());
    EXPECT_TRUE(hidden->IsDirty()); // neither drawn nor cleaned
    EXPECT_EQ(editor->mScreenRects, std::vector<IRECT>{IRECT(0, 0, 1, 1)});
    delete editor;
}

TEST_F(EditorDrawing, NonStrictPassDrawsEachDirtyControlWithWhatOverlapsIt) {
    editor->PrepDraw();
    editor->SetStrictDrawing(false);
    Probe(IRECT(0, 0, 100, 80), -1, "bg");
    ProbeControl* a = Probe(IRECT(10, 10, 20, 20), -1, "a");
    Probe(IRECT(15, 15, 25, 25), -1, "over a");
    Probe(IRECT(60, 60, 70, 70), -1, "elsewhere");
    ProbeControl* b = Probe(IRECT(50, 10, 55, 15), -1, "b");
    CleanAll();
    a->SetDirty(false);
    b->SetDirty(false);
    editor->Draw(IRECT(10, 10, 55, 20));
    EXPECT_EQ(drawLog, (std::vector<std::string>{"bg", "a", "over a", "bg", "b"}));
    EXPECT_EQ(a->mDrawClips[0], IRECT(10, 10, 20, 20));
    EXPECT_EQ(b->mDrawClips[0], IRECT(50, 10, 55, 15));
    EXPECT_FALSE(a->IsDirty());
    EXPECT_FALSE(b->IsDirty());
    delete editor;
}

TEST_F(EditorDrawing, RedrawKeepsAControlDirtyForOneMorePass) {
    editor->PrepDraw();
    ProbeControl* a = Probe(IRECT(0, 0, 10, 10), -1, "a");
    a->Redraw();
    editor->Draw(a->GetRECT());
    EXPECT_TRUE(a->IsDirty());
    editor->Draw(a->GetRECT());
    EXPECT_FALSE(a->IsDirty());
    EXPECT_EQ(a->mDraws, 2);
    delete editor;
}

TEST_F(EditorDrawing, BoundsOverlayAsksForTheLastClip) {
    editor->PrepDraw();
    Probe(IRECT(0, 0, 10, 10));
    editor->Draw(IRECT(2, 3, 4, 5));
    editor->ShowControlBounds(true);
    IRECT area;
    EXPECT_TRUE(editor->IsDirty(&area));
    EXPECT_EQ(area, IRECT(2, 3, 4, 5));
    delete editor;
}

TEST_F(EditorEvents, PressGoesToTheTopmostControlAndCapturesIt) {
    ProbeControl* below = Probe(IRECT(0, 0, 50, 50), 0);
    ProbeControl* above = Probe(IRECT(10, 10, 20, 20), 1);
    Attach();
    editor->OnMouseDown(15, 15, left);
    EXPECT_EQ(above->mEvents, std::vector<std::string>{"down 15 15 L"});
    EXPECT_TRUE(below->mEvents.empty());
    EXPECT_EQ(plug.mGestures, std::vector<std::string>{"begin 1"});

    // Far outside, the captured control still gets the drag and the release.
    editor->OnMouseDrag(90, 12, left);
    editor->OnMouseDrag(90, 12, left); // same position: dropped
    editor->OnMouseDrag(90, 9, left);
    editor->OnMouseUp(95, 70, left);
    EXPECT_EQ(above->mEvents, (std::vector<std::string>{"down 15 15 L", "drag 90 12 75 -3 L",
                                                        "drag 90 9 0 -3 L", "up 95 70 L"}));
    EXPECT_EQ(plug.mGestures, (std::vector<std::string>{"begin 1", "end 1"}));

    // Released: a drag reaches nobody, a press elsewhere goes to the control beneath.
    editor->OnMouseDrag(30, 30, left);
    editor->OnMouseDown(30, 30, IMouseMod(false, true));
    EXPECT_EQ(above->mEvents.size(), 4u);
    EXPECT_EQ(below->mEvents, std::vector<std::string>{"down 30 30 R"});
}

TEST_F(EditorEvents, PressesOutsideEveryControlDoNothing) {
    ProbeControl* a = Probe(IRECT(0, 0, 10, 10), 0);
    Attach();
    editor->OnMouseDown(50, 50, left);
    editor->OnMouseDrag(52, 52, left);
    editor->OnMouseUp(50, 50, left);
    editor->OnMouseWheel(50, 50, left, 1.0f);
    EXPECT_FALSE(editor->OnMouseDblClick(50, 50, left));
    EXPECT_TRUE(a->mEvents.empty());
    EXPECT_TRUE(plug.mGestures.empty());
}

TEST_F(EditorEvents, HiddenAndGrayedControlsArePassedOver) {
    ProbeControl* below = Probe(IRECT(0, 0, 50, 50));
    ProbeControl* grayed = Probe(IRECT(0, 0, 10, 10));
    ProbeControl* hidden = Probe(IRECT(0, 0, 10, 10));
    grayed->GrayOut(true);
    hidden->Hide(true);
    editor->OnMouseDown(5, 5, left);
    EXPECT_EQ(below->mEvents.size(), 1u);
    EXPECT_TRUE(grayed->mEvents.empty());
    EXPECT_TRUE(hidden->mEvents.empty());

    // Mouse-over may still reach a grayed control that asks for it.
    editor->OnMouseUp(5, 5, left);
    grayed->SetMOWhenGrayed(true);
    EXPECT_EQ(editor->GetMouseControlIdx(5, 5, true), 1);
    EXPECT_EQ(editor->GetMouseControlIdx(5, 5, false), 0);
    delete editor;
}

TEST_F(EditorEvents, DoubleClicksArePressesWhenTheControlSaysSo) {
    ProbeControl* plain = Probe(IRECT(0, 0, 10, 10), 0);
    ProbeControl* single = Probe(IRECT(20, 0, 30, 10), 1);
    single->SetDblAsSingleClick(true);
    Attach();
    EXPECT_FALSE(editor->OnMouseDblClick(5, 5, left));
    EXPECT_EQ(plain->mEvents, std::vector<std::string>{"dbl 5 5 L"});
    EXPECT_TRUE(editor->OnMouseDblClick(25, 5, left));
    EXPECT_EQ(single->mEvents, std::vector<std::string>{"down 25 5 L"});
    EXPECT_TRUE(plug.mGestures.empty()); // no begin-inform for a double click
    editor->OnMouseDrag(25, 2, left);    // but it captured the control
    EXPECT_EQ(single->mEvents.back(), "drag 25 2 0 -3 L");
}

TEST_F(EditorEvents, WheelGoesToTheControlUnderThePointer) {
    ProbeControl* a = Probe(IRECT(0, 0, 10, 10), 0);
    Attach();
    editor->OnMouseWheel(5, 5, IMouseMod(false, false, true), -2.0f);
    EXPECT_EQ(a->mEvents, std::vector<std::string>{"wheel 5 5 -2 S"});
    EXPECT_TRUE(plug.mGestures.empty());
}

TEST_F(EditorEvents, MouseOverIsDeliveredOnlyWhenAskedFor) {
    ProbeControl* a = Probe(IRECT(0, 0, 10, 10));
    ProbeControl* b = Probe(IRECT(20, 0, 30, 10));
    EXPECT_FALSE(editor->OnMouseOver(5, 5, left));
    EXPECT_TRUE(a->mEvents.empty());

    editor->HandleMouseOver(true);
    EXPECT_TRUE(editor->OnMouseOver(5, 5, left));
    EXPECT_EQ(editor->GetMouseOver(), 0);
    EXPECT_TRUE(editor->OnMouseOver(25, 5, left));
    EXPECT_EQ(a->mEvents, (std::vector<std::string>{"over 5 5 L", "out"}));
    EXPECT_EQ(b->mEvents, std::vector<std::string>{"over 25 5 L"});
    EXPECT_EQ(editor->GetMouseOver(), 1);
    EXPECT_TRUE(editor->OnMouseOver(50, 50, left)); // over nothing: nothing changes
    EXPECT_EQ(editor->GetMouseOver(), 1);

    editor->OnMouseOut();
    EXPECT_EQ(editor->GetMouseOver(), -1);
    EXPECT_EQ(a->mEvents.back(), "out");
    EXPECT_EQ(b->mEvents.back(), "out");
    delete editor;
}

TEST_F(EditorEvents, KeysGoToTheControlOrElseTheKeyCatcher) {
    Probe(IRECT(0, 0, 100, 80)); // background
    ProbeControl* a = Probe(IRECT(0, 0, 10, 10));
    EXPECT_FALSE(editor->OnKeyDown(50, 50, 'k')); // over the background, no catcher

    auto* catcher = new ProbeControl(&plug, IRECT());
    editor->AttachKeyCatcher(catcher);
    EXPECT_TRUE(editor->OnKeyDown(50, 50, 'k'));
    EXPECT_EQ(catcher->mEvents, std::vector<std::string>{"key 107"});
    EXPECT_TRUE(editor->OnKeyDown(5, 5, 'a'));
    EXPECT_EQ(a->mEvents, std::vector<std::string>{"key 97"});
    a->mTakesKeys = false;
    EXPECT_FALSE(editor->OnKeyDown(5, 5, 'b'));
    EXPECT_EQ(catcher->mEvents.size(), 1u);
    EXPECT_EQ(editor->NControls(), 2); // the catcher is not in the list

    // A catcher that is in the list as well is deleted once, with the list.
    editor->AttachKeyCatcher(a);
    delete catcher;
    delete editor;
}

TEST_F(EditorEvents, AutomationQueriesReportTheParameterUnderThePointer) {
    Probe(IRECT(0, 0, 100, 80), 2); // a background bound to a parameter still counts as none
    Probe(IRECT(0, 0, 10, 10), 1);
    Attach();
    EXPECT_EQ(editor->GetParamIdxForPTAutomation(5, 5), 1);
    EXPECT_EQ(editor->GetLastClickedParamForPTAutomation(), 1);
    EXPECT_EQ(editor->GetLastClickedParamForPTAutomation(), -1);
    EXPECT_EQ(editor->GetParamIdxForPTAutomation(50, 50), -1);
    EXPECT_EQ(editor->GetParamIdxForPTAutomation(500, 500), -1);
}

TEST_F(EditorPrompts, EnumerationsAreChosenFromAMenu) {
    ProbeControl* mode = Probe(IRECT(10, 10, 30, 20), 1);
    Attach();
    mode->DisablePrompt(false);
    editor->mMenuChoices = {0};
    editor->OnMouseDown(15, 15, left); // the probe itself does not prompt
    EXPECT_TRUE(editor->mMenus.empty());

    mode->PromptUserInput();
    ASSERT_EQ(editor->mMenus.size(), 1u);
    const TestGraphics::ShownMenu& menu = editor->mMenus[0];
    EXPECT_EQ(menu.items, (std::vector<std::string>{"Off", "On"}));
    EXPECT_EQ(menu.flags, (std::vector<int>{0, IPopupMenu::kChecked}));
    EXPECT_EQ(menu.rect, IRECT(10, 10, 30, 20)); // a parameter with texts prompts over the control
    EXPECT_EQ(mode->GetValue(), 0.0);
    EXPECT_EQ(plug.GetParam(1)->Value(), 0.0);
    ASSERT_FALSE(plug.mInformed.empty());
    EXPECT_EQ(plug.mInformed.back(), std::make_pair(1, 0.0));

    // Dismissed: nothing changes.
    const size_t informed = plug.mInformed.size();
    mode->PromptUserInput();
    EXPECT_EQ(editor->mMenus.size(), 2u);
    EXPECT_EQ(editor->mMenus[1].flags, (std::vector<int>{IPopupMenu::kChecked, 0}));
    EXPECT_EQ(plug.mInformed.size(), informed);
    EXPECT_EQ(mode->GetValue(), 0.0);
}

TEST_F(EditorPrompts, NumbersAreTyped) {
    ProbeControl* gain = Probe(IRECT(10, 10, 31, 21), 0);
    Attach();
    gain->DisablePrompt(false);
    editor->mTypedTexts = {"2.5", "abc", "nan", "1e999"};
    gain->PromptUserInput();
    ASSERT_EQ(editor->mTextEntries.size(), 1u);
    const TestGraphics::TextEntry& entry = editor->mTextEntries[0];
    EXPECT_EQ(entry.text, "5.0");
    EXPECT_EQ(entry.param, plug.GetParam(0));
    EXPECT_EQ(entry.rect, IRECT(0, 7, 40, 23)); // 40 x 16 about the truncated centre (20, 15)
    EXPECT_EQ(gain->GetValue(), 0.25);
    EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 2.5);

    gain->PromptUserInput(); // not a number reads as 0
    EXPECT_EQ(gain->GetValue(), 0.0);
    gain->SetValueFromUserInput(0.5);
    gain->PromptUserInput(); // nor is "nan"
    EXPECT_EQ(gain->GetValue(), 0.0);
    gain->PromptUserInput(IRECT(1, 2, 3, 4)); // too large: the maximum
    EXPECT_EQ(gain->GetValue(), 1.0);
    EXPECT_EQ(editor->mTextEntries.back().rect, IRECT(1, 2, 3, 4));
    for (const auto& informed : plug.mInformed)
        EXPECT_TRUE(informed.second >= 0.0 && informed.second <= 1.0);
}

TEST_F(EditorPrompts, TypedTextOfAnEnumerationMustMatchOneOfItsTexts) {
    ProbeControl* mode = Probe(IRECT(), 1);
    ProbeControl* gain = Probe(IRECT(), 0);
    Attach();
    editor->SetFromStringAfterPrompt(mode, plug.GetParam(1), "On");
    EXPECT_EQ(mode->GetValue(), 1.0);
    editor->SetFromStringAfterPrompt(mode, plug.GetParam(1), "on"); // exact match only
    EXPECT_EQ(mode->GetValue(), 0.0);

    plug.GetParam(0)->NegateDisplay();
    editor->SetFromStringAfterPrompt(gain, plug.GetParam(0), "-7.5");
    EXPECT_EQ(gain->GetValue(), 0.75);
    editor->SetFromStringAfterPrompt(gain, nullptr, "3");
    editor->SetFromStringAfterPrompt(nullptr, plug.GetParam(0), "3");
    EXPECT_EQ(gain->GetValue(), 0.75);
}

TEST_F(EditorPrompts, PromptsNeedABoundParameterAndAnEnabledPrompt) {
    ProbeControl* gain = Probe(IRECT(), 0);
    ProbeControl* unbound = Probe(IRECT());
    Attach();
    gain->PromptUserInput(); // prompts start disabled
    unbound->DisablePrompt(false);
    unbound->PromptUserInput();
    editor->PromptUserInput(gain, plug.GetParam(0), nullptr);
    editor->PromptUserInput(nullptr, plug.GetParam(0), &gain->GetRECT());
    EXPECT_TRUE(editor->mTextEntries.empty());
    EXPECT_TRUE(editor->mMenus.empty());

    // A right press prompts through the base control.
    gain->DisablePrompt(false);
    gain->IControl::OnMouseDown(0, 0, IMouseMod(false, true));
    EXPECT_EQ(editor->mTextEntries.size(), 1u);
    gain->IControl::OnMouseDown(0, 0, left);
    EXPECT_EQ(editor->mTextEntries.size(), 1u);
}
