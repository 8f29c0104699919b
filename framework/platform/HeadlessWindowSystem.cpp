// The window system without a display: a virtual clock, a scripted user, recorded requests.

#include "WindowSystem.h"

#include <algorithm>

namespace {

constexpr unsigned short kReturnKeyCode = 36;

} // namespace

HeadlessWindowSystem::~HeadlessWindowSystem() {
    if (mTypingInto) mTypingInto->release();
}

void HeadlessWindowSystem::WaitUntil(CFAbsoluteTime time, bool handleInput) {
    // The user types while the program waits; the wait then ends with the input handled.
    if (handleInput && TypeScriptedText()) return;
    mClock = std::max(mClock, time);
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

MenuChoice HeadlessWindowSystem::PopUpMenu(const MenuRequest& request) {
    record.menus.push_back(request);
    if (script.menuChoices.empty()) return MenuChoice();
    MenuChoice choice = script.menuChoices.front();
    script.menuChoices.pop_front();
    return choice;
}

void HeadlessWindowSystem::TextInputBegan(NSTextField* field) {
    if (!field) return;
    record.textInputs.emplace_back(field->stringValue()->UTF8String());
    if (script.typedTexts.empty()) return;
    field->retain();
    if (mTypingInto) mTypingInto->release();
    mTypingInto = field;
}

bool HeadlessWindowSystem::TypeScriptedText() {
    NSTextField* field = mTypingInto;
    if (!field || script.typedTexts.empty()) return false;
    mTypingInto = nullptr;
    NSWindow* window = field->window();
    const bool typing = window && window->firstResponder() == field;
    if (typing) {
        const std::string text = script.typedTexts.front();
        script.typedTexts.pop_front();
        NSAutoreleasePool* pool = new NSAutoreleasePool;
        // One key event per character (UTF-8 sequences kept whole), then Return.
        auto type = [&](const std::string& characters, unsigned short keyCode) {
            NSString* string = NSString::stringWithUTF8String(characters.c_str());
            window->sendEvent(NSEvent::keyEventWithType(NSKeyDown, NSZeroPoint, 0, mClock,
                                                        window->windowNumber(), nullptr, string,
                                                        string, false, keyCode));
        };
        for (size_t i = 0; i < text.size();) {
            size_t length = 1;
            while (i + length < text.size() && (text[i + length] & 0xC0) == 0x80)
                ++length;
            type(text.substr(i, length), 0);
            i += length;
        }
        type("\r", kReturnKeyCode);
        pool->release();
    }
    field->release();
    return typing;
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
