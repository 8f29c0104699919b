#pragma once

#include "AppKit.h"
#include "Component.h"

#include <string>

// The effect's editor as a host shows it: the component's CocoaUI property names its bundle and
// view factory class, the class is found by name, and the view it makes is placed in a window
// of its size on the main run loop, whose timer then draws it. Nothing is shown on a screen:
// the window system is headless and the view keeps what it draws.
class EditorWindow {
public:
    // Throws CommandError (subject: the component) when the component offers no editor.
    explicit EditorWindow(const EffectUnit& unit);
    ~EditorWindow();
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // Runs the main run loop for that long on the window system's clock, so that the editor's
    // timer draws what changed.
    void Run(double seconds);
    // Writes what the view shows as a PNG file, at its size in pixels.
    void WritePng(const std::string& path) const;

private:
    std::string mBundlePath;
    NSWindow* mWindow = nullptr;
    NSView* mView = nullptr; // held by the window
};
