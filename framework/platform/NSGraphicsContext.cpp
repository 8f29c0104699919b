// Graphics contexts and each thread's current one.

#include "PlatformRuntime.h"

NSGraphicsContext::NSGraphicsContext(CGContextRef port, bool flipped)
    : mPort(CGContextRetain(port)), mFlipped(flipped) {}

NSGraphicsContext::~NSGraphicsContext() {
    CGContextRelease(mPort);
}

NSGraphicsContext* NSGraphicsContext::graphicsContextWithGraphicsPort(void* graphicsPort,
                                                                      bool initialFlippedState) {
    if (!graphicsPort || CFGetTypeID(graphicsPort) != CGContextGetTypeID()) return nullptr;
    auto* context =
        new NSGraphicsContext(static_cast<CGContextRef>(graphicsPort), initialFlippedState);
    return static_cast<NSGraphicsContext*>(context->autorelease());
}

NSGraphicsContext* NSGraphicsContext::currentContext() {
    return GetThreadState().currentContext;
}

void NSGraphicsContext::setCurrentContext(NSGraphicsContext* context) {
    ThreadState& thread = GetThreadState();
    if (context) context->retain();
    if (thread.currentContext) thread.currentContext->release();
    thread.currentContext = context;
}

void NSGraphicsContext::saveGraphicsState() {
    ThreadState& thread = GetThreadState();
    NSGraphicsContext* current = thread.currentContext;
    thread.savedContexts.push_back(current ? static_cast<NSGraphicsContext*>(current->retain())
                                           : nullptr);
    if (current) CGContextSaveGState(current->mPort);
}

void NSGraphicsContext::restoreGraphicsState() {
    ThreadState& thread = GetThreadState();
    if (thread.savedContexts.empty()) return;
    NSGraphicsContext* saved = thread.savedContexts.back();
    thread.savedContexts.pop_back();
    setCurrentContext(saved);
    if (saved) {
        CGContextRestoreGState(saved->mPort);
        saved->release();
    }
}
