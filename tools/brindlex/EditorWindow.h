#pragma once

#include "AppKit.h"
#include "Component.h"

#include <functional>
#include <string>

// The effect's editor as a host shows it: the component's CocoaUI property names its bundle and
// view factory class, the class is found by name, and the view it makes is placed in a window
// of its size on the main run loop, whose timer then draws it. The window system decides where
// it shows: nowhere with the headless default (the view keeps what it draws), on the screen
// with one for a display installed first.
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
    // Runs the main run loop, handling the user's input as it comes, until done answers true;
    // it is asked after every pass, and a pass lasts at most a tenth of a second.
    void RunUntil(const std::function<bool()>& done);
    NSWindow* Window() const { return mWindow; }
    // Writes what the view shows as a PNG file, at its size in pixels.
    void WritePng(const std::string& path) const;

private:
    std::string mBundlePath;
    NSWindow* mWindow = nullptr;
    NSView* mView = nullptr; // held by the window
};
