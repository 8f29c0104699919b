// The window system without a display: a virtual clock, a scripted user, recorded requests.

#include "WindowSystem.h"

#include <algorithm>

void HeadlessWindowSystem::WaitUntil(CFAbsoluteTime time, bool) {
    mClock = std::max(mClock, time);
}

void HeadlessWindowSystem::AdvanceClock(NSTimeInterval seconds) {
    if (seconds > 0) mClock += seconds;
}

CGRect HeadlessWindowSystem::DisplayBounds(CGDirectDisplayID display) {
    if (display != kMainDisplay) return CGRectNull;
    return CGRect{{0, 0}, script.displaySize};
}

CGError HeadlessWindowSystem::HideCursor(CGDirectDisplayID display) {
    if (display != kMainDisplay) return kCGErrorIllegalArgument;
    if (script.cursorCallsFail) return kCGErrorCannotComplete;
    ++mCursorHideCount;
    return kCGErrorSuccess;
}

CGError HeadlessWindowSystem::ShowCursor(CGDirectDisplayID display) {
    if (display != kMainDisplay) return kCGErrorIllegalArgument;
    if (script.cursorCallsFail) return kCGErrorCannotComplete;
    if (mCursorHideCount > 0) --mCursorHideCount;
    return kCGErrorSuccess;
}

CGError HeadlessWindowSystem::MoveCursor(CGDirectDisplayID display, CGPoint point) {
    if (display != kMainDisplay) return kCGErrorIllegalArgument;
    if (script.cursorCallsFail) return kCGErrorCannotComplete;
    mPointer = point;
    record.cursorMoves.push_back(point);
    return kCGErrorSuccess;
}

void HeadlessWindowSystem::SetCursorShape(const char* name) {
    record.cursorShapes.emplace_back(name ? name : "");
}

void HeadlessWindowSystem::WindowOrderedIn(NSWindow* window) {
    if (std::find(mVisibleWindows.begin(), mVisibleWindows.end(), window) == mVisibleWindows.end())
        mVisibleWindows.push_back(window);
}

void HeadlessWindowSystem::WindowOrderedOut(NSWindow* window) {
    mVisibleWindows.erase(std::remove(mVisibleWindows.begin(), mVisibleWindows.end(), window),
                          mVisibleWindows.end());
}

void HeadlessWindowSystem::WindowDestroyed(NSWindow* window) {
    WindowOrderedOut(window);
}

CFOptionFlags HeadlessWindowSystem::DisplayAlert(const AlertRequest& request) {
    record.alerts.push_back(request);
    if (script.alertResponses.empty()) return kCFUserNotificationDefaultResponse;
    const CFOptionFlags response = script.alertResponses.front();
    script.alertResponses.pop_front();
    return response;
}

FilePanelAnswer HeadlessWindowSystem::RunFilePanel(const FilePanelRequest& request) {
    record.filePanels.push_back(request);
    if (script.filePanelAnswers.empty()) return FilePanelAnswer{};
    FilePanelAnswer answer = script.filePanelAnswers.front();
    script.filePanelAnswers.pop_front();
    return answer;
}

NSInteger HeadlessWindowSystem::ClearPasteboard() {
    mPasteboard.clear();
    return ++mPasteboardChangeCount;
}

bool HeadlessWindowSystem::SetPasteboardString(const std::string& type, const std::string& text) {
    mPasteboard[type] = text;
    return true;
}

std::optional<std::string> HeadlessWindowSystem::PasteboardString(const std::string& type) {
    const auto found = mPasteboard.find(type);
    if (found == mPasteboard.end()) return std::nullopt;
    return found->second;
}

bool HeadlessWindowSystem::OpenURL(const std::string& url) {
    record.openedURLs.push_back(url);
    return script.openURLSucceeds;
}
