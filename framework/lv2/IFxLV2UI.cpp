// LV2 UIs of the X11 type: the plug-in's editor in an X window, connected to the instance
// through its ports.
#include "IFxLV2UI.h"

#include "AppKit.h"
#include "IControl.h"
#include "IGraphics.h"
#include "Trace.h"
#include "WindowSystem.h"
#include "X11WindowSystem.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The window system the UIs of this process share. The first UI installs one on the X display
// unless the program already has a display of its own (then it is used as it is); the last one
// puts the headless one back. UIs are made and dropped on the host's user-interface thread.
struct SharedDisplay {
    int users = 0;
    X11WindowSystem* display = nullptr; // for embedding; null when not ours to know
    bool installed = false;
    std::unique_ptr<WindowSystem> previous;
    std::vector<std::pair<NSWindow*, bool*>> closeFlags; // each UI's own window
};

SharedDisplay& Shared() {
    static SharedDisplay shared;
    return shared;
}

// False when there is no display to show a window on.
bool AcquireDisplay() {
    SharedDisplay& shared = Shared();
    if (shared.users > 0) {
        ++shared.users;
        return true;
    }
    if (!GetHeadlessWindowSystem()) {
        shared.display = dynamic_cast<X11WindowSystem*>(&GetWindowSystem());
    } else {
        std::string error;
        std::unique_ptr<X11WindowSystem> display = X11WindowSystem::Open(nullptr, &error);
        if (!display) {
            TRACE("%s", error.c_str());
            return false;
        }
        display->SetCloseRequestHandler([](NSWindow* window) {
            for (const auto& [shown, flag] : Shared().closeFlags)
                if (shown == window) *flag = true;
        });
        shared.display = display.get();
        shared.previous = SetWindowSystem(std::move(display));
        shared.installed = true;
    }
    ++shared.users;
    return true;
}

void ReleaseDisplay() {
    SharedDisplay& shared = Shared();
    if (shared.users == 0 || --shared.users > 0) return;
    if (shared.installed) SetWindowSystem(std::move(shared.previous));
    shared.display = nullptr;
    shared.installed = false;
}

const void* FindFeature(const LV2_Feature* const* features, const char* uri) {
    for (const LV2_Feature* const* feature = features; feature && *feature; ++feature)
        if ((*feature)->URI && std::strcmp((*feature)->URI, uri) == 0) return (*feature)->data;
    return nullptr;
}

} // namespace

// ---- The host ------------------------------------------------------------------------------

IFxLV2UIHost::IFxLV2UIHost(LV2UI_Write_Function write, LV2UI_Controller controller,
                           const LV2_Feature* const* features)
    : mWrite(write), mController(controller),
      mTouch(static_cast<const LV2UI_Touch*>(FindFeature(features, LV2_UI__touch))) {}

void IFxLV2UIHost::Begin(int paramIdx) {
    mGestures.push_back(paramIdx);
    if (mTouch && mTouch->touch)
        mTouch->touch(mTouch->handle, static_cast<uint32_t>(mFirstParamPort + paramIdx), true);
}

void IFxLV2UIHost::Write(int paramIdx, float value) {
    if (mWrite)
        mWrite(mController, static_cast<uint32_t>(mFirstParamPort + paramIdx), sizeof value, 0,
               &value);
}

void IFxLV2UIHost::End(int paramIdx) {
    const auto found = std::find(mGestures.begin(), mGestures.end(), paramIdx);
    if (found != mGestures.end()) mGestures.erase(found);
    if (mTouch && mTouch->touch)
        mTouch->touch(mTouch->handle, static_cast<uint32_t>(mFirstParamPort + paramIdx), false);
}

bool IFxLV2UIHost::InGesture(int paramIdx) const {
    return std::find(mGestures.begin(), mGestures.end(), paramIdx) != mGestures.end();
}

// ---- The UI --------------------------------------------------------------------------------

IFxLV2UI::IFxLV2UI(std::unique_ptr<IFxBase> plug, std::vector<IControl*> outputs,
                   std::unique_ptr<IFxLV2UIHost> host, const LV2_Feature* const* features)
    : mHost(std::move(host)), mPlug(std::move(plug)), mOutputs(std::move(outputs)),
      mPorts(*mPlug, static_cast<int>(mOutputs.size())) {
    mHost->SetFirstParamPort(mPorts.FirstParam());
    IGraphics* graphics = mPlug->GetGUI();
    if (!graphics || !AcquireDisplay()) return;
    const auto parent = static_cast<unsigned long>(
        reinterpret_cast<uintptr_t>(FindFeature(features, LV2_UI__parent)));
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    const NSRect content = NSMakeRect(0, 0, graphics->Width(), graphics->Height());
    mWindow = (new NSWindow)
                  ->initWithContentRect(content,
                                        parent ? NSBorderlessWindowMask
                                               : NSTitledWindowMask | NSClosableWindowMask,
                                        NSBackingStoreBuffered, false);
    mWindow->setReleasedWhenClosed(false);
    mWindow->setTitle(NSString::stringWithUTF8String(mPlug->GetEffectName()));
    if (X11WindowSystem* display = Shared().display; display && parent)
        display->EmbedWindow(mWindow, parent);
    Shared().closeFlags.emplace_back(mWindow, &mCloseRequested);
    graphics->OpenWindow(mWindow->contentView());
    mWindow->orderFront(nullptr);
    if (X11WindowSystem* display = Shared().display; display && parent)
        display->FixWindowSize(mWindow, graphics->Width(), graphics->Height());
    // The host's frame takes the editor's size when the host offers to be told it.
    if (const auto* resize =
            static_cast<const LV2UI_Resize*>(FindFeature(features, LV2_UI__resize));
        resize && resize->ui_resize)
        resize->ui_resize(resize->handle, graphics->Width(), graphics->Height());
    pool->release();
}

IFxLV2UI::~IFxLV2UI() {
    if (!mWindow) return;
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    mPlug->GetGUI()->CloseWindow();
    mWindow->close();
    auto& flags = Shared().closeFlags;
    flags.erase(std::remove_if(flags.begin(), flags.end(),
                               [&](const auto& entry) { return entry.first == mWindow; }),
                flags.end());
    mWindow->release();
    pool->release();
    // The editor goes before the window system it was shown by.
    mPlug.reset();
    ReleaseDisplay();
}

LV2UI_Widget IFxLV2UI::Widget() const {
    X11WindowSystem* display = Shared().display;
    const unsigned long xid = display && mWindow ? display->XWindowOf(mWindow) : 0;
    return reinterpret_cast<LV2UI_Widget>(static_cast<uintptr_t>(xid));
}

void IFxLV2UI::PortEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer) {
    // Only control values come here: the float protocol.
    if (format != 0 || bufferSize != sizeof(float) || !buffer) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    const int index = static_cast<int>(port);
    if (index >= mPorts.FirstParam() && index < mPorts.FirstControlOut()) {
        const int paramIdx = index - mPorts.FirstParam();
        // What the user is changing right now the host can only echo, late.
        if (mHost->InGesture(paramIdx)) return;
        if (static_cast<float>(mPlug->GetParam(paramIdx)->Value()) == value) return;
        mPlug->SetParameterFromHost(paramIdx, value);
    } else if (index >= mPorts.FirstControlOut() && index < mPorts.Count()) {
        if (IControl* output = mOutputs[static_cast<size_t>(index - mPorts.FirstControlOut())])
            output->SetValueFromPlug(value);
    }
}

int IFxLV2UI::Idle() {
    if (!mWindow) return 1;
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    // The input that came meanwhile, without waiting for more; then the timers that are due
    // and the drawing.
    WindowSystem& windowSystem = GetWindowSystem();
    windowSystem.WaitUntil(windowSystem.Now(), true);
    NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, NSDate::date());
    pool->release();
    return mCloseRequested ? 1 : 0;
}

// ---- The entry points ----------------------------------------------------------------------

IFxLV2UIDescriptor::IFxLV2UIDescriptor(const char* uiURI, Factory factory)
    : mDescriptor{uiURI, Instantiate, Cleanup, PortEvent, ExtensionData}, mFactory(factory) {}

LV2UI_Handle IFxLV2UIDescriptor::Instantiate(const LV2UI_Descriptor* descriptor, const char*,
                                             const char* bundlePath, LV2UI_Write_Function write,
                                             LV2UI_Controller controller, LV2UI_Widget* widget,
                                             const LV2_Feature* const* features) {
    const auto* self = reinterpret_cast<const IFxLV2UIDescriptor*>(descriptor);
    try {
        std::unique_ptr<IFxLV2UI> ui =
            self->mFactory(std::make_unique<IFxLV2UIHost>(write, controller, features),
                           bundlePath ? bundlePath : "", features);
        if (!ui || !ui->IsOpen()) return nullptr;
        if (widget) *widget = ui->Widget();
        return ui.release();
    } catch (const std::exception& error) {
        TRACE("%s", error.what());
        return nullptr;
    }
}

void IFxLV2UIDescriptor::Cleanup(LV2UI_Handle handle) {
    delete static_cast<IFxLV2UI*>(handle);
}

void IFxLV2UIDescriptor::PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t bufferSize,
                                   uint32_t format, const void* buffer) {
    if (handle) static_cast<IFxLV2UI*>(handle)->PortEvent(port, bufferSize, format, buffer);
}

const void* IFxLV2UIDescriptor::ExtensionData(const char* uri) {
    static const LV2UI_Idle_Interface kIdle = {
        [](LV2UI_Handle handle) { return handle ? static_cast<IFxLV2UI*>(handle)->Idle() : 1; }};
    return uri && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdle : nullptr;
}
