// Classes are found by name across copies of the platform library: the test component, with its
// own copy, registers a Cocoa view factory at load time; the host finds it, makes a view, and
// the view's timer and alerts run on the host's run loop and window system.

#include "AUCocoaUIView.h"
#include "TestSupport.h"

namespace {

using ClassRegistryTest = HeadlessTest;

class Widget : public NSObject {
public:
    static int made;
    Widget() { ++made; }
};
int Widget::made = 0;

TEST_F(ClassRegistryTest, RegisteredClassesAreFoundByNameUntilTheirRegistrationGoes) {
    {
        const NSClassRegistration registration("Test_Widget", []() -> id { return new Widget; });
        Class cls = NSClassFromString(NSSTR("Test_Widget"));
        ASSERT_NE(cls, nullptr);
        EXPECT_EQ(objc_getClass("Test_Widget"), cls);
        id instance = class_createInstance(cls, 0);
        ASSERT_NE(dynamic_cast<Widget*>(instance), nullptr);
        EXPECT_EQ(Widget::made, 1);
        instance->release();
        EXPECT_EQ(class_createInstance(cls, 8), nullptr);

        // A second class of the same name does not replace the first.
        const NSClassRegistration duplicate("Test_Widget", []() -> id { return new NSObject; });
        EXPECT_EQ(NSClassFromString(NSSTR("Test_Widget")), cls);
    }
    EXPECT_EQ(NSClassFromString(NSSTR("Test_Widget")), nullptr);
    EXPECT_EQ(NSClassFromString(nullptr), nullptr);
    EXPECT_EQ(class_createInstance(nullptr, 0), nullptr);
}

TEST_F(ClassRegistryTest, AComponentsViewFactoryWorksWithTheHostsRunLoopAndWindowSystem) {
    LoadTestComponentBundle();
    Class cls = NSClassFromString(NSSTR("PlatformTest_ViewFactory"));
    ASSERT_NE(cls, nullptr) << "registered by the component's own copy of the library";
    id instance = class_createInstance(cls, 0);
    auto* factory = dynamic_cast<AUCocoaUIBase*>(instance);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->interfaceVersion(), 0u);
    EXPECT_TRUE(instance->description()->isEqual(NSSTR("Platform Test View")));

    NSView* view = factory->uiViewForAudioUnit(nullptr, NSMakeSize(40, 30));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(NSEqualRects(view->frame(), NSMakeRect(0, 0, 40, 30)));
    NSWindow* window = (new NSWindow)
                           ->initWithContentRect(NSMakeRect(0, 0, 40, 30), NSTitledWindowMask,
                                                 NSBackingStoreBuffered, false);
    window->contentView()->addSubview(view);
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 1u)
        << "the view's timer, scheduled by the component, is on the host's run loop";
    window->orderFront(nullptr);
    RunUntil(1.2);
    // Two ticks of half a second: the view drew itself at grey level 2.
    ASSERT_NE(view->backingStore(), nullptr);
    EXPECT_EQ(PixelAt(view->backingStore(), 20, 15), 0xFF020202u);

    window->sendEvent(NSEvent::mouseEventWithType(NSLeftMouseDown, NSMakePoint(5, 5), 0, 0,
                                                  window->windowNumber(), nullptr, 0, 1, 1));
    window->sendEvent(NSEvent::keyEventWithType(NSKeyDown, NSZeroPoint, 0, 0,
                                                window->windowNumber(), nullptr, NSSTR("q"),
                                                NSSTR("q"), false, 12));
    ASSERT_EQ(headless->record.alerts.size(), 1u) << "the component's alert reached the host's";
    EXPECT_EQ(headless->record.alerts[0].message, "q");

    view->removeFromSuperview();
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 0u)
        << "leaving the window stopped the timer";
    instance->release();
    window->release();
}

} // namespace
