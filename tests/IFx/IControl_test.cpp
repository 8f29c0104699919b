#include "TestGraphics.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace {
// A plug-in with a continuous parameter in dB and an on/off parameter, its editor attached.
struct ControlBase : ::testing::Test {
    ControlBase() {
        plug.GetParam(0)->InitDouble("Gain", 5.0, 0.0, 10.0, 0.1, "dB");
        plug.GetParam(1)->InitBool("Power", false, "state");
        editor = new TestGraphics(&plug);
        plug.AttachGraphics(editor);
    }
    ProbeControl* Probe(int paramIdx) {
        auto* probe = new ProbeControl(&plug, IRECT(0, 0, 10, 10), paramIdx);
        editor->AttachControl(probe);
        return probe;
    }

    TestPlug plug{2};
    TestGraphics* editor;
};
} // namespace

TEST_F(ControlBase, TheFirstPlugValueIsTheDefault) {
    ProbeControl* control = Probe(0);
    EXPECT_TRUE(control->IsDirty()); // a new control is drawn once
    control->SetClean();
    control->SetValueFromPlug(0.3);
    EXPECT_EQ(control->GetValue(), 0.3);
    EXPECT_EQ(control->GetDefaultValue(), 0.3);
    EXPECT_FALSE(control->IsDirty()); // nothing changed that is not drawn yet

    control->SetValueFromPlug(0.6);
    EXPECT_EQ(control->GetDefaultValue(), 0.3);
    EXPECT_TRUE(control->IsDirty());
    control->SetClean();
    EXPECT_TRUE(control->IsDirty()); // and redrawn once more
    control->SetClean();
    control->SetValueFromPlug(0.6);
    EXPECT_FALSE(control->IsDirty());
    EXPECT_TRUE(plug.mInformed.empty());

    // Unclamped until marked dirty.
    ProbeControl* fresh = Probe(0);
    fresh->SetValueFromPlug(1.5);
    EXPECT_EQ(fresh->GetValue(), 1.5);
    fresh->SetDirty(false);
    EXPECT_EQ(fresh->GetValue(), 1.0);
}

TEST_F(ControlBase, UserValuesAreClampedAndReported) {
    ProbeControl* control = Probe(0);
    control->SetValueFromUserInput(0.2);
    ASSERT_EQ(plug.mInformed.size(), 1u);
    EXPECT_EQ(plug.mInformed[0], std::make_pair(0, 0.2));
    control->SetValueFromUserInput(0.2);
    EXPECT_EQ(plug.mInformed.size(), 1u);

    control->SetValueFromUserInput(-4.0);
    EXPECT_EQ(control->GetValue(), 0.0);
    EXPECT_EQ(plug.mInformed.back(), std::make_pair(0, 0.0));
    control->Clamp(0.25, 0.5);
    control->SetValueFromUserInput(0.9);
    EXPECT_EQ(plug.mInformed.back(), std::make_pair(0, 0.5));

    // Not a number never reaches the parameter.
    control->SetValueFromUserInput(std::nan(""));
    EXPECT_EQ(control->GetValue(), 0.25);
    EXPECT_EQ(plug.mInformed.back(), std::make_pair(0, 0.25));
    control->SetValueFromPlug(std::nan(""));
    EXPECT_EQ(control->GetValue(), 0.25);
    EXPECT_EQ(plug.GetParam(0)->Value(), 2.5);
}

TEST_F(ControlBase, DisplayCompanionsFollowGestures) {
    ProbeControl* gain = Probe(0);
    ProbeControl* power = Probe(1);
    ITextControl value(&plug, IRECT(), nullptr), name(&plug, IRECT(), nullptr);
    gain->SetValueDisplayControl(&value);
    gain->SetNameDisplayControl(&name);
    gain->SetValueFromUserInput(0.25);
    EXPECT_STREQ(value.GetTextString(), "2.5 dB");
    EXPECT_STREQ(name.GetTextString(), "Gain");

    // A value shown by its own text has no label, and no space for one.
    power->SetValueDisplayControl(&value);
    power->SetValueFromUserInput(1.0);
    EXPECT_STREQ(value.GetTextString(), "on");

    // Values from the plug-in leave them alone.
    gain->SetValueFromPlug(0.75);
    EXPECT_STREQ(value.GetTextString(), "on");
}

TEST_F(ControlBase, HideAndGrayOut) {
    ProbeControl* control = Probe(0);
    control->SetClean();
    control->Hide(true);
    EXPECT_TRUE(control->IsHidden());
    control->SetClean();
    EXPECT_TRUE(control->IsDirty()); // one more pass paints over it
    control->GrayOut(true);
    EXPECT_FLOAT_EQ(control->GetBlend().weight, 0.25f);
    control->GrayOut(true);
    control->GrayOut(false);
    EXPECT_FLOAT_EQ(control->GetBlend().weight, 1.0f);
    EXPECT_TRUE(plug.mInformed.empty());
}

TEST_F(ControlBase, DoubleClickRestoresTheDefault) {
    ProbeControl* control = Probe(0);
    control->IControl::OnMouseDblClick(0, 0, IMouseMod(true));
    EXPECT_TRUE(plug.mInformed.empty()); // no default yet

    control->SetValueFromPlug(0.4);
    control->SetValueFromUserInput(0.9);
    control->IControl::OnMouseDblClick(0, 0, IMouseMod(true));
    EXPECT_EQ(control->GetValue(), 0.4);
    EXPECT_EQ(plug.mInformed.back(), std::make_pair(0, 0.4));
}

TEST_F(ControlBase, AuxiliaryParameters) {
    ProbeControl* control = Probe(-1);
    control->AddAuxParam(1);
    control->AddAuxParam(0);
    EXPECT_EQ(control->NAuxParams(), 2);
    EXPECT_EQ(control->AuxParamIdx(0), 1);
    EXPECT_EQ(control->AuxParamIdx(5), -1);
    control->SetClean();
    control->SetAuxParamValueFromPlug(1, 0.0); // unchanged
    EXPECT_FALSE(control->IsDirty());
    control->SetAuxParamValueFromPlug(1, 0.7);
    EXPECT_TRUE(control->IsDirty());
    EXPECT_EQ(control->GetAuxParam(1)->mValue, 0.7);
    control->GetAuxParam(0)->mValue = 1.0;
    control->SetAllAuxParamsFromGUI();
    EXPECT_EQ(plug.mInformed, (std::vector<std::pair<int, double>>{{1, 1.0}, {0, 0.7}}));

    EXPECT_DEATH(control->AddAuxParam(-1), "IControl.*idx > -1");
    EXPECT_DEATH(control->GetAuxParam(2), "idx > -1 && idx < mAuxParams.GetSize\\(\\)");
}

// Meaningful under a thread sanitizer: values and flags cross threads without a lock.
TEST_F(ControlBase, ValuesFromAnotherThreadReachTheDrawingThread) {
    editor->PrepDraw();
    ProbeControl* meter = Probe(-1);
    std::atomic<bool> done{false};
    std::thread audio([&] {
        for (int i = 0; i < 20000; ++i)
            meter->IControl::SetValueFromPlug((i % 100) / 100.0);
        meter->IControl::SetValueFromPlug(0.42);
        done = true;
    });
    while (!done) {
        IRECT area;
        if (editor->IsDirty(&area)) editor->Draw(area);
    }
    audio.join();
    EXPECT_EQ(meter->GetValue(), 0.42);
}
