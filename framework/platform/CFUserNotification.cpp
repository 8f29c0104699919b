// Alerts, shown by the window system (the headless one answers from its script).

#include "CFInternal.h"
#include "WindowSystem.h"

namespace {

std::optional<std::string> Title(CFStringRef title) {
    if (CFGetTypeID(title) != kCFStringTypeID) return std::nullopt;
    return CFStringGetUTF8(title);
}

} // namespace

SInt32 CFUserNotificationDisplayAlert(CFTimeInterval timeout, CFOptionFlags flags, CFURLRef,
                                      CFURLRef, CFURLRef, CFStringRef alertHeader,
                                      CFStringRef alertMessage, CFStringRef defaultButtonTitle,
                                      CFStringRef alternateButtonTitle,
                                      CFStringRef otherButtonTitle, CFOptionFlags* responseFlags) {
    AlertRequest request;
    request.flags = flags;
    request.timeout = timeout;
    request.header = CFStringGetUTF8(alertHeader);
    request.message = CFStringGetUTF8(alertMessage);
    request.defaultButton = Title(defaultButtonTitle);
    request.alternateButton = Title(alternateButtonTitle);
    request.otherButton = Title(otherButtonTitle);
    const CFOptionFlags response = GetWindowSystem().DisplayAlert(request);
    if (responseFlags) *responseFlags = response & kCFUserNotificationResponseMask;
    return 0;
}
