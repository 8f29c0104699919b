// Text typed into the editor's value entry (SetFromStringAfterPrompt), for every kind of
// parameter: the effect's own and one of each kind the framework knows. The first byte picks the
// parameter, the rest is the text. Whatever is typed, the parameter keeps a finite value inside
// its range and the control a normalised one.
#include "Brindlex.h"
#include "FuzzSupport.h"
#include "TestGraphics.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

namespace {

// One parameter of each kind, the double one shown negated.
struct KindsPlug : TestPlug {
    KindsPlug() : TestPlug(4) {
        GetParam(0)->InitBool("Switch", false);
        GetParam(1)->InitEnum("Mode", 1, 3);
        GetParam(1)->SetDisplayText(0, "A");
        GetParam(1)->SetDisplayText(1, "B");
        GetParam(1)->SetDisplayText(2, "C");
        GetParam(2)->InitInt("Steps", 3, -5, 10);
        GetParam(3)->InitDouble("Trim", 0.0, -12.0, 12.0, 0.01, "dB", "", 2.0);
        GetParam(3)->NegateDisplay();
    }
};

// A control that draws nothing, standing for the one the user typed into.
struct EntryControl : IControl {
    using IControl::IControl;
    bool Draw(IGraphics*) override { return false; }
};

void CheckAfterTyping(IFxBase& plug, int paramIdx, const std::string& text) {
    // The editor the text entry belongs to; the plug-in keeps its own.
    TestGraphics graphics(&plug, 100, 100);
    EntryControl control(&plug, IRECT(0, 0, 10, 10), paramIdx);
    IParam* param = plug.GetParam(paramIdx);
    graphics.SetFromStringAfterPrompt(&control, param, text.c_str());
    double lo = 0.0, hi = 0.0;
    param->GetBounds(&lo, &hi);
    FUZZ_CHECK(std::isfinite(param->Value()) && param->Value() >= lo && param->Value() <= hi);
    FUZZ_CHECK(control.GetValue() >= 0.0 && control.GetValue() <= 1.0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 256) return -1;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const int pick = data[0] % (Brindlex::kNumParams + 4);
    if (pick < Brindlex::kNumParams) {
        std::unique_ptr<IFxAU> effect(MakePlug());
        CheckAfterTyping(*effect, pick, text);
    } else {
        KindsPlug plug;
        CheckAfterTyping(plug, pick - Brindlex::kNumParams, text);
    }
    return 0;
}
