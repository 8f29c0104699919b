#pragma once

#include "IFxBase.h"
#include "IFxLV2.h"

#include <lv2/ui/ui.h>

#include <memory>
#include <utility>
#include <vector>

class IControl;
class NSWindow;
class WindowSystem;

// A plug-in's editor as an LV2 UI of the X11 type. The UI runs a copy of the plug-in of its own
// that never processes audio: it holds the parameters the editor shows and reaches the real
// instance only through its ports, as LV2 requires. What the user changes is written to the
// parameter's control port (in the parameter's own units), with ui:touch around a gesture
// when the host offers it; what the host reports on a port is shown: parameters as the plug-in
// takes them from a host, control outputs (meters) on the controls they feed.
//
// The editor's window is embedded in the host's ui:parent window, or shows on its own without
// one (the UI then closes with it). It has the editor's fixed size, and says so: in the window
// manager's size hints, and to the host's ui:resize when offered. The UI needs the host to call
// ui:idleInterface's idle regularly on its user-interface thread: that is when the editor's input,
// timer and drawing happen.

// The host's side of a UI: its write function, and its touch feature when it offers one.
class IFxLV2UIHost {
public:
    IFxLV2UIHost(LV2UI_Write_Function write, LV2UI_Controller controller,
                 const LV2_Feature* const* features);
    // The port of parameter 0 (IFxLV2Ports::FirstParam); set by the UI.
    void SetFirstParamPort(int port) { mFirstParamPort = port; }

    void Begin(int paramIdx);
    void Write(int paramIdx, float value);
    void End(int paramIdx);
    // Whether the user is changing the parameter (between Begin and End).
    bool InGesture(int paramIdx) const;

private:
    LV2UI_Write_Function mWrite;
    LV2UI_Controller mController;
    const LV2UI_Touch* mTouch = nullptr;
    int mFirstParamPort = 0;
    std::vector<int> mGestures; // parameter indices, in the order begun
};

// The effect class Effect as the LV2 UI runs it: it tells the UI's host what the editor changes
// instead of an Audio Unit host. Made with the effect's constructor arguments.
template <class Effect> class IFxLV2UIEffect : public Effect {
public:
    template <class... Arguments>
    explicit IFxLV2UIEffect(Arguments&&... arguments)
        : Effect(std::forward<Arguments>(arguments)...) {}

    void SetUIHost(IFxLV2UIHost* host) { mHost = host; }

    void BeginInformHostOfParamChange(int paramIdx) override {
        if (mHost) mHost->Begin(paramIdx);
    }
    void InformHostOfParamChange(int paramIdx, double normalizedValue) override {
        const IParam* param = this->GetParam(paramIdx);
        if (mHost && param)
            mHost->Write(paramIdx, static_cast<float>(param->GetNonNormalized(normalizedValue)));
    }
    void EndInformHostOfParamChange(int paramIdx) override {
        if (mHost) mHost->End(paramIdx);
    }

private:
    IFxLV2UIHost* mHost = nullptr;
};

// One UI instance.
class IFxLV2UI {
public:
    // plug has its editor attached; outputs are the controls the control output ports feed, in
    // port order (null: not shown). The plug-in must tell host its changes (IFxLV2UIEffect).
    IFxLV2UI(std::unique_ptr<IFxBase> plug, std::vector<IControl*> outputs,
             std::unique_ptr<IFxLV2UIHost> host, const LV2_Feature* const* features);
    ~IFxLV2UI();
    IFxLV2UI(const IFxLV2UI&) = delete;
    IFxLV2UI& operator=(const IFxLV2UI&) = delete;

    // False when no window could be opened (no X display): the host is told the UI failed.
    bool IsOpen() const { return mWindow != nullptr; }
    // The editor's X window.
    LV2UI_Widget Widget() const;
    void PortEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer);
    // Handles input, fires the editor's timer and draws; non-zero once the user closed a
    // window of its own.
    int Idle();

private:
    std::unique_ptr<IFxLV2UIHost> mHost;
    std::unique_ptr<IFxBase> mPlug;
    std::vector<IControl*> mOutputs;
    IFxLV2Ports mPorts;
    NSWindow* mWindow = nullptr;
    bool mCloseRequested = false;
};

// The LV2 UI entry points for one plug-in's UI. The factory makes an instance with the host
// given (null when it cannot); bundlePath is the UI's bundle folder as the host passes it (with
// a trailing "/"), where the UI's files lie.
class IFxLV2UIDescriptor {
public:
    using Factory = std::unique_ptr<IFxLV2UI> (*)(std::unique_ptr<IFxLV2UIHost> host,
                                                  const char* bundlePath,
                                                  const LV2_Feature* const* features);

    IFxLV2UIDescriptor(const char* uiURI, Factory factory);
    const LV2UI_Descriptor* Get() const { return &mDescriptor; }

private:
    static LV2UI_Handle Instantiate(const LV2UI_Descriptor* descriptor, const char* pluginURI,
                                    const char* bundlePath, LV2UI_Write_Function write,
                                    LV2UI_Controller controller, LV2UI_Widget* widget,
                                    const LV2_Feature* const* features);
    static void Cleanup(LV2UI_Handle handle);
    static void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t bufferSize, uint32_t format,
                          const void* buffer);
    static const void* ExtensionData(const char* uri);

    LV2UI_Descriptor mDescriptor; // first: the host's pointer to it leads back to the factory
    Factory mFactory;
};
