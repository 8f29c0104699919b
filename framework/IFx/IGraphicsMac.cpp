// The Mac editor's life with its view: construction, the screen copy, and opening and closing
// the view, in a host's view or attached to a Carbon host's window.
#include "IGraphicsMac.h"

#include "ColorSync.h"
#include "CoreServices.h"
#include "IGraphicsCocoa.h"
#include "Trace.h"
#include "gdi.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace {

// Below this system version the screen copy does not use the system's colour profile.
constexpr SInt32 kColorProfileSystemVersion = 0x1070;
// What is taken for the system version when Gestalt cannot tell.
constexpr SInt32 kFallbackSystemVersion = 0x1040;
// A device scale above this is a high-density screen.
constexpr CGFloat kHighDensityScale = 1.9;
// The Carbon host's window comes to the front before the editor's own window does.
constexpr NSTimeInterval kChildWindowDelay = 0.1;

} // namespace

IGraphicsMac::IGraphicsMac(IFxBase* plug, int width, int height, int fps)
    : IGraphics(plug, width, height, fps) {
    NSApplicationLoad();
}

IGraphicsMac::~IGraphicsMac() {
    RemoveSubWindow();
    CloseWindow();
    CGColorSpaceRelease(mColorSpace);
}

bool IGraphicsMac::MeasureIText(IText* text, const char* str, IRECT* rect) {
    CocoaAutoReleasePool pool;
    return DrawIText(text, str, rect, true);
}

NSRect IGraphicsMac::ToNSRect(IGraphics* graphics, const IRECT& rect) {
    return NSMakeRect(rect.left, graphics->Height() - rect.bottom - 1, rect.W() + 1, rect.H() + 1);
}

// ---- The screen copy -----------------------------------------------------------------------

CGColorSpaceRef IGraphicsMac::ColorSpace() {
    if (mColorSpace) return mColorSpace;
    SInt32 version = kFallbackSystemVersion;
    if (Gestalt(gestaltSystemVersion, &version) != noErr) version = kFallbackSystemVersion;
    CMProfileRef profile = nullptr;
    if (version >= kColorProfileSystemVersion && CMGetSystemProfile(&profile) == noErr && profile) {
        mColorSpace = CGColorSpaceCreateWithPlatformColorSpace(profile);
        CMCloseProfile(profile);
    }
    if (!mColorSpace) mColorSpace = CGColorSpaceCreateDeviceRGB();
    return mColorSpace;
}

const PIX_pixel* IGraphicsMac::DoubledSurface(CGRect clip, int* span) {
    PIX_SysBitmap* surface = mDrawSurface.get();
    const int w = surface->getWidth(), h = surface->getHeight();
    const int doubledSpan = (w * 2 + 3) & ~3;
    const int64_t bytes = int64_t(doubledSpan) * 4 * h * 2 + 32;
    if (bytes > INT_MAX || !mDoubleBuffer.Resize(static_cast<int>(bytes)) ||
        mDoubleBuffer.GetSize() != bytes)
        return nullptr;
    auto* doubled = reinterpret_cast<PIX_pixel*>(
        (reinterpret_cast<uintptr_t>(mDoubleBuffer.Get()) + 31) & ~uintptr_t(31));

    // Only the part under the clip is shown, so only that part is doubled: the pixels a
    // partial repaint copies stay in proportion to the area repainted. A pixel of margin
    // covers the rounding of the clip's edges.
    int left = 0, top = 0, right = w, bottom = h;
    if (!CGRectIsNull(clip) && std::isfinite(clip.size.width) && std::isfinite(clip.size.height)) {
        const double height = Height();
        left = std::clamp(static_cast<int>(std::floor(CGRectGetMinX(clip))) - 1, 0, w);
        right = std::clamp(static_cast<int>(std::ceil(CGRectGetMaxX(clip))) + 1, 0, w);
        top = std::clamp(static_cast<int>(std::floor(height - CGRectGetMaxY(clip))) - 1, 0, h);
        bottom = std::clamp(static_cast<int>(std::ceil(height - CGRectGetMinY(clip))) + 1, 0, h);
    }
    if (right > left && bottom > top) {
        const int srcSpan = surface->getRowSpan();
        GDI_fastDoubleUpImage(doubled + ptrdiff_t(2 * top) * doubledSpan + 2 * left,
                              surface->getBits() + ptrdiff_t(top) * srcSpan + left, right - left,
                              bottom - top, srcSpan, doubledSpan);
    }
    *span = doubledSpan;
    return doubled;
}

bool IGraphicsMac::DrawScreen(const IRECT&) {
    CocoaAutoReleasePool pool;
    NSGraphicsContext* current = mView ? NSGraphicsContext::currentContext() : nullptr;
    NSGraphicsContext* context =
        current ? NSGraphicsContext::graphicsContextWithGraphicsPort(current->graphicsPort(), true)
                : nullptr;
    PIX_SysBitmap* surface = mDrawSurface.get();
    if (!context || !surface || !surface->getBits()) return false;
    CGContextRef port = static_cast<CGContextRef>(context->graphicsPort());
    CGColorSpaceRef space = ColorSpace();

    const PIX_pixel* pixels = surface->getBits();
    int span = surface->getRowSpan();
    int width = surface->getWidth(), height = surface->getHeight();
    const CGSize unit = CGContextConvertSizeToDeviceSpace(port, CGSizeMake(1, 1));
    if (std::fabs(unit.width) > kHighDensityScale) {
        int doubledSpan = 0;
        if (const PIX_pixel* doubled =
                DoubledSurface(CGContextGetClipBoundingBox(port), &doubledSpan)) {
            pixels = doubled;
            span = doubledSpan;
            width *= 2;
            height *= 2;
        }
    }

    // The raster library's pixel bytes are alpha, red, green, blue: alpha first, skipped.
    CGDataProviderRef provider =
        CGDataProviderCreateWithData(nullptr, pixels, size_t(span) * 4 * size_t(height), nullptr);
    CGImageRef image = CGImageCreate(size_t(width), size_t(height), 8, 32, size_t(span) * 4, space,
                                     kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrderDefault,
                                     provider, nullptr, false, kCGRenderingIntentDefault);
    CGDataProviderRelease(provider);
    if (image) {
        CGContextDrawImage(port, CGRectMake(0, 0, Width(), Height()), image);
        CGImageRelease(image);
    }
    return true;
}

int IGraphicsMac::GetUserOSVersion() {
    SInt32 version = 0;
    Gestalt(gestaltSystemVersion, &version);
    TRACE("%x", static_cast<unsigned>(version));
    return version;
}

// ---- The view ------------------------------------------------------------------------------

void IGraphicsMac::Resize(int width, int height) {
    if (width == Width() && height == Height()) return;
    // The controls go; a text entry must not outlive its control.
    ForceEndUserEdit();
    IGraphics::Resize(width, height);
    if (mView) mView->setFrameSize(NSMakeSize(width, height));
}

void* IGraphicsMac::OpenWindow(void* parent) {
    CloseWindow();
    DecodeImages();
    IGraphicsCocoa* view = (new IGraphicsCocoa)->initWithIGraphics(this);
    mView = view;
    if (parent) {
        static_cast<NSView*>(parent)->addSubview(view);
        view->release(); // the superview's reference is the one that counts
    } else {
        view->autorelease(); // for the host to place
    }
    UpdateTooltips();
    return mView;
}

void* IGraphicsMac::OpenWindow(void* window, void*, int, int) {
    AttachSubWindow(window);
    return mView;
}

void IGraphicsMac::CloseWindow() {
    IGraphicsCocoa* view = mView;
    if (!view) return;
    // A drag cut short by the editor closing must not leave the cursor hidden.
    ShowMouseCursor();
    view->removeAllToolTips();
    view->killTimer();
    mView = nullptr;
    if (view->mGraphics) {
        view->endUserInput();
        view->mGraphics = nullptr;
        view->removeFromSuperview(); // last: this may free the view
    }
}

void IGraphicsMac::ViewGone(IGraphicsCocoa* view) {
    if (mView == view) mView = nullptr;
}

void IGraphicsMac::AttachSubWindow(void* parentWindowRef) {
    CocoaAutoReleasePool pool;
    // One attachment at a time: a second would leave the first window behind.
    RemoveSubWindow();
    NSWindow* hostWindow =
        (new NSWindow)->initWithWindowRef(static_cast<WindowRef>(parentWindowRef));
    if (!hostWindow) return;
    hostWindow->setCanHide(true);
    hostWindow->setReleasedWhenClosed(true);

    const NSRect frame = hostWindow->frame();
    const CGFloat offset =
        frame.size.width > Width() ? std::floor((frame.size.width - Width()) / 2) : 0;
    NSWindow* child =
        (new CustomCocoaWindow)
            ->initWithContentRect(
                NSMakeRect(frame.origin.x + offset, frame.origin.y, Width(), Height()),
                NSBorderlessWindowMask, NSBackingStoreBuffered, false);
    child->setOpaque(true);
    child->setCanHide(true);
    child->setHasShadow(false);
    child->setReleasedWhenClosed(true);
    OpenWindow(child->contentView());

    // The child is released when it is closed, as the host's window is.
    hostWindow->addChildWindow(child, NSWindowAbove);
    hostWindow->orderFront(nullptr);
    hostWindow->display();
    child->performSelector(&NSWindow::orderFront, nullptr, kChildWindowDelay);
    mHostWindow = hostWindow;
}

void IGraphicsMac::RemoveSubWindow() {
    NSWindow* hostWindow = mHostWindow;
    if (!hostWindow) return;
    CocoaAutoReleasePool pool;
    mHostWindow = nullptr;
    NSWindow* child = hostWindow->childWindows()->firstObject();
    CloseWindow();
    if (child) {
        // A delayed bring-to-front must not show the window again once it is closed.
        NSObject::cancelPreviousPerformRequestsWithTarget(child);
        child->orderOut(nullptr);
        hostWindow->orderOut(nullptr);
        hostWindow->removeChildWindow(child);
        child->close();
    } else {
        hostWindow->orderOut(nullptr);
    }
    hostWindow->close();
}
