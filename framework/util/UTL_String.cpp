#include "UTL_String.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
size_t BoundedLength(const char* text, int maxLength) {
    if (!text) return 0;
    if (maxLength < 0) return std::strlen(text);
    const void* end = std::memchr(text, 0, static_cast<size_t>(maxLength));
    return end ? static_cast<size_t>(static_cast<const char*>(end) - text)
               : static_cast<size_t>(maxLength);
}
} // namespace

void UTL_CopyText(char* dest, size_t destSize, const char* source) {
    if (!dest || destSize == 0) return;
    const size_t length =
        BoundedLength(source, static_cast<int>(std::min<size_t>(destSize - 1, 0x7fffffff)));
    // memmove: the source may lie inside the field itself.
    if (length) std::memmove(dest, source, length);
    dest[length] = '\0';
}

void UTL_String::Set(const char* text, int maxLength) {
    // Copy first: text may point into this string.
    std::string copy(text ? text : "", BoundedLength(text, maxLength));
    mText.swap(copy);
}

void UTL_String::Append(const char* text, int maxLength) {
    std::string copy(text ? text : "", BoundedLength(text, maxLength));
    mText += copy;
}

void UTL_String::AppendFormattedV(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return;
    const size_t oldSize = mText.size();
    mText.resize(oldSize + static_cast<size_t>(length) + 1);
    std::vsnprintf(&mText[oldSize], static_cast<size_t>(length) + 1, format, args);
    mText.resize(oldSize + static_cast<size_t>(length));
}

void UTL_String::SetFormatted(const char* format, ...) {
    mText.clear();
    va_list args;
    va_start(args, format);
    AppendFormattedV(format, args);
    va_end(args);
}

void UTL_String::AppendFormatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormattedV(format, args);
    va_end(args);
}
