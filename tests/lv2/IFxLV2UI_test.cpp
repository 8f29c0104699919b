// The LV2 UI layer without a display: what the editor's changes become at the host's ports,
// the touch gestures around them, and a host told plainly when there is no UI to show.
// The UI on a real X server is tested in tests/x11.

#include "IFxLV2UI.h"
#include "TestPlug.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the host heard: "port INDEX VALUE" and "touch INDEX 1|0".
struct HostRecord {
    std::vector<std::string> events;
};

void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
           const void* buffer) {
    ASSERT_EQ(size, sizeof(float));
    ASSERT_EQ(format, 0u);
    static_cast<HostRecord*>(controller)
        ->events.push_back("port " + std::to_string(port) + " " +
                           std::to_string(*static_cast<const float*>(buffer)));
}

void Touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
    static_cast<HostRecord*>(handle)->events.push_back("touch " + std::to_string(port) + " " +
                                                       (grabbed ? "1" : "0"));
}

// The test plug-in telling the UI's host, as an effect's UI copy does.
class UIEffect : public IFxLV2UIEffect<TestPlug> {
public:
    UIEffect() : IFxLV2UIEffect<TestPlug>(3) {
        GetParam(0)->InitDouble("Drive", 1.0, 0.0, 100.0, 0.01, "", "", 2.0);
        GetParam(1)->InitBool("On", false);
    }
};

TEST(IFxLV2UI, TheEditorsChangesReachTheParameterPortsInTheirOwnUnitsWithinGestures) {
    HostRecord record;
    LV2UI_Touch touch{&record, Touch};
    const LV2_Feature touchFeature{LV2_UI__touch, &touch};
    const LV2_Feature* features[] = {&touchFeature, nullptr};
    IFxLV2UIHost host(Write, &record, features);
    host.SetFirstParamPort(4);
    UIEffect plug;
    plug.SetUIHost(&host);

    plug.BeginInformHostOfParamChange(0);
    EXPECT_TRUE(host.InGesture(0));
    EXPECT_FALSE(host.InGesture(1));
    plug.SetParameterFromGUI(0, 0.5); // a quarter of 0..100 on a square law
    plug.EndInformHostOfParamChange(0);
    EXPECT_FALSE(host.InGesture(0));
    plug.SetParameterFromGUI(1, 1.0);
    EXPECT_EQ(record.events, (std::vector<std::string>{"touch 4 1", "port 4 25.000000", "touch 4 0",
                                                       "port 5 1.000000"}));
    // The plug-in heard of its own changes too (its lamps follow them).
    EXPECT_EQ(plug.mParamChanges, (std::vector<int>{0, 1}));
}

TEST(IFxLV2UI, WithoutTouchTheHostGetsTheWritesAlone) {
    HostRecord record;
    IFxLV2UIHost host(Write, &record, nullptr);
    host.SetFirstParamPort(2);
    host.Begin(1);
    host.Write(1, -3.5f);
    host.End(1);
    EXPECT_EQ(record.events, (std::vector<std::string>{"port 3 -3.500000"}));
}

TEST(IFxLV2UI, AUIWithNothingToShowIsRefused) {
    static const IFxLV2UIDescriptor descriptor(
        "urn:brindlex:test#ui",
        [](std::unique_ptr<IFxLV2UIHost> host, const char*, const LV2_Feature* const*) {
            auto plug = std::make_unique<UIEffect>();
            plug->SetUIHost(host.get());
            return std::make_unique<IFxLV2UI>(std::move(plug), std::vector<IControl*>{},
                                              std::move(host), nullptr);
        });
    const LV2UI_Descriptor* ui = descriptor.Get();
    EXPECT_STREQ(ui->URI, "urn:brindlex:test#ui");
    EXPECT_NE(ui->extension_data(LV2_UI__idleInterface), nullptr);
    EXPECT_EQ(ui->extension_data(LV2_UI__showInterface), nullptr);

    // The plug-in has no editor to show.
    HostRecord record;
    LV2UI_Widget widget = nullptr;
    EXPECT_EQ(ui->instantiate(ui, "urn:brindlex:test", "", Write, &record, &widget, nullptr),
              nullptr);
    EXPECT_EQ(widget, nullptr);
    EXPECT_TRUE(record.events.empty());
}

} // namespace
