#pragma once

// The editor as the plug-in base and the host adapter see it: it receives parameter values,
// prepares to draw, and opens in and closes from a host's window.
class IGraphics {
public:
    virtual ~IGraphics() = default;
    virtual void SetParameterFromPlug(int paramIdx, double value, bool normalized) = 0;
    virtual void PrepDraw() = 0;
    // Opens the editor in a window of the legacy (Carbon) kind; returns the view made, or null
    // where the platform has no such windows.
    virtual void* OpenWindow(void* /*window*/, void* /*parentControl*/, int /*width*/,
                             int /*height*/) {
        return nullptr;
    }
    // Removes the editor's view from its window, if it has one.
    virtual void CloseWindow() = 0;
};
