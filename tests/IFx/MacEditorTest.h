#pragma once

// The Mac editor of a test plug-in on a fresh headless window system, with images from a bundle
// of the tests' own.

#include "IGraphicsMac.h"
#include "TestGraphics.h"
#include "WindowSystem.h"

#include <gtest/gtest.h>

#include <cstdint>

// The identifier of the tests' bundle, whose resources are knob.png (a coordinate image of 8 x
// 6), fake.gif (the same image under another type) and broken.png (no image at all).
extern const char* const kTestBundleID;

class MacEditorTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 100;
    static constexpr int kHeight = 60;

    void SetUp() override;
    void TearDown() override;

    // Opens the editor's view as the only subview of a window of the editor's size on a screen
    // of that scale, and lets the window draw.
    IGraphicsCocoa* OpenInWindow(CGFloat scale = 1);
    // Runs the main run loop for that many seconds of the virtual clock.
    static void Run(NSTimeInterval seconds);
    // A mouse event at the centre of an editor pixel, sent to the window.
    void Send(NSEventType type, int x, int y, NSUInteger flags = 0, NSInteger clicks = 1);
    void SendKey(const char* characters);
    // Where the window system's pointer is, for an editor pixel.
    void MovePointerTo(int x, int y);
    // The backing store's pixel as 0xRRGGBB.
    uint32_t ViewPixel(int x, int y) const;

    HeadlessWindowSystem* headless = nullptr;
    TestPlug plug{3};
    IGraphicsMac* editor = nullptr;
    NSWindow* window = nullptr;
    IGraphicsCocoa* view = nullptr;

private:
    NSAutoreleasePool* mPool = nullptr;
};
