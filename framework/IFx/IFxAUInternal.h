#pragma once

// Helpers shared by the Audio Unit adapter's sources; not part of its interface.

#include "AudioUnit.h"

// Names of selectors, properties and scopes for the trace log. The log carries the numbers,
// which are the published ones; no names are kept.
inline const char* AUSelectStr(int) {
    return "";
}
inline const char* AUPropertyStr(int) {
    return "";
}
inline const char* AUScopeStr(int) {
    return "";
}

// A new string for UTF-8 text (the caller releases it); null for null or invalid text.
inline CFStringRef MakeCFString(const char* text) {
    return text ? CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8) : nullptr;
}

// The text of a string into buffer; false (buffer "") when it is not a string or does not fit.
inline bool GetCFStringText(CFTypeRef string, char* buffer, CFIndex bufferSize) {
    if (bufferSize > 0) *buffer = '\0';
    return string && CFGetTypeID(string) == CFStringGetTypeID() &&
           CFStringGetCString(static_cast<CFStringRef>(string), buffer, bufferSize,
                              kCFStringEncodingUTF8);
}
