// Formatted strings: the C library formats each printf conversion, %@ inserts a description.

#include "CFInternal.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <sys/types.h>

namespace {

enum class Length { kNone, kChar, kShort, kLong, kLongLong, kSize, kMax, kPtrDiff, kLongDouble };

struct Conversion {
    std::string directive; // the conversion as rebuilt for snprintf
    Length length = Length::kNone;
    char type = 0;
};

// Appends snprintf output of one conversion and one value.
template <class T> void AppendFormatted(std::string& out, const std::string& directive, T value) {
    char small[64];
    const int needed = std::snprintf(small, sizeof small, directive.c_str(), value);
    if (needed < 0) return;
    if (static_cast<size_t>(needed) < sizeof small) {
        out.append(small, static_cast<size_t>(needed));
        return;
    }
    std::string large(static_cast<size_t>(needed) + 1, '\0');
    std::snprintf(large.data(), large.size(), directive.c_str(), value);
    out.append(large.data(), static_cast<size_t>(needed));
}

// Text from %s or %c is taken as UTF-8 when it is valid and as Latin-1 otherwise, so that the
// result is always a valid string.
void AppendText(std::string& out, std::string_view text) {
    if (CFIsValidUTF8(text.data(), text.size())) {
        out += text;
        return;
    }
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | byte >> 6);
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
}

template <class T>
void AppendTextFormatted(std::string& out, const std::string& directive, T value) {
    std::string piece;
    AppendFormatted(piece, directive, value);
    AppendText(out, piece);
}

void AppendSigned(std::string& out, const Conversion& c, va_list& args) {
    switch (c.length) {
    case Length::kLong:
        AppendFormatted(out, c.directive, va_arg(args, long));
        break;
    case Length::kLongLong:
        AppendFormatted(out, c.directive, va_arg(args, long long));
        break;
    case Length::kSize:
        AppendFormatted(out, c.directive, va_arg(args, ssize_t));
        break;
    case Length::kMax:
        AppendFormatted(out, c.directive, va_arg(args, intmax_t));
        break;
    case Length::kPtrDiff:
        AppendFormatted(out, c.directive, va_arg(args, ptrdiff_t));
        break;
    default:
        AppendFormatted(out, c.directive, va_arg(args, int));
        break; // hh and h promote to int
    }
}

void AppendUnsigned(std::string& out, const Conversion& c, va_list& args) {
    switch (c.length) {
    case Length::kLong:
        AppendFormatted(out, c.directive, va_arg(args, unsigned long));
        break;
    case Length::kLongLong:
        AppendFormatted(out, c.directive, va_arg(args, unsigned long long));
        break;
    case Length::kSize:
        AppendFormatted(out, c.directive, va_arg(args, size_t));
        break;
    case Length::kMax:
        AppendFormatted(out, c.directive, va_arg(args, uintmax_t));
        break;
    case Length::kPtrDiff:
        AppendFormatted(out, c.directive, va_arg(args, ptrdiff_t));
        break;
    default:
        AppendFormatted(out, c.directive, va_arg(args, unsigned int));
        break;
    }
}

// Parses the conversion that starts after the '%' at format[i]; on success advances i past it.
// '*' widths and precisions are read from the arguments as they are met.
bool ParseConversion(std::string_view format, size_t& i, va_list& args, Conversion& c) {
    size_t p = i;
    c.directive = "%";
    while (p < format.size() &&
           std::string_view("-+ #0'").find(format[p]) != std::string_view::npos)
        c.directive += format[p++];
    auto takeNumber = [&]() {
        if (p < format.size() && format[p] == '*') {
            ++p;
            c.directive += std::to_string(va_arg(args, int));
            return;
        }
        while (p < format.size() && format[p] >= '0' && format[p] <= '9')
            c.directive += format[p++];
    };
    takeNumber();
    if (p < format.size() && format[p] == '$') return false; // positional: not supported
    if (p < format.size() && format[p] == '.') {
        c.directive += format[p++];
        takeNumber();
    }
    auto at = [&](char ch) { return p < format.size() && format[p] == ch; };
    if (at('h')) {
        ++p;
        c.length = at('h') ? (++p, Length::kChar) : Length::kShort;
    } else if (at('l')) {
        ++p;
        c.length = at('l') ? (++p, Length::kLongLong) : Length::kLong;
    } else if (at('q')) {
        ++p;
        c.length = Length::kLongLong;
    } else if (at('z')) {
        ++p;
        c.length = Length::kSize;
    } else if (at('j')) {
        ++p;
        c.length = Length::kMax;
    } else if (at('t')) {
        ++p;
        c.length = Length::kPtrDiff;
    } else if (at('L')) {
        ++p;
        c.length = Length::kLongDouble;
    }
    if (p >= format.size()) return false;
    c.type = format[p++];
    static constexpr const char* kLengthText[] = {"", "hh", "h", "l", "ll", "z", "j", "t", "L"};
    // q is not a C length; it means ll.
    c.directive += kLengthText[static_cast<int>(c.length)];
    c.directive += c.type;
    i = p;
    return true;
}

} // namespace

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef, CFDictionaryRef,
                                                 CFStringRef formatString, va_list arguments) {
    if (CFGetTypeID(formatString) != kCFStringTypeID) return nullptr;
    const std::string_view format = CFStringGetCStringPtr(formatString, kCFStringEncodingUTF8);
    va_list args;
    va_copy(args, arguments);
    CFStringRef result = nullptr;
    try {
        std::string out;
        size_t i = 0;
        while (i < format.size()) {
            const size_t percent = format.find('%', i);
            out += format.substr(i, percent - i);
            if (percent == std::string_view::npos) break;
            size_t next = percent + 1;
            Conversion c;
            if (!ParseConversion(format, next, args, c)) {
                // Not a conversion we can format: keep the text as it stands.
                out += '%';
                i = percent + 1;
                continue;
            }
            switch (c.type) {
            case '%':
                out += '%';
                break;
            case '@':
                CFAppendDescription(out, va_arg(args, CFTypeRef));
                break;
            case 'd':
            case 'i':
                AppendSigned(out, c, args);
                break;
            case 'o':
            case 'u':
            case 'x':
            case 'X':
                AppendUnsigned(out, c, args);
                break;
            case 'c':
                if (c.length == Length::kLong)
                    AppendTextFormatted(out, c.directive, va_arg(args, wint_t));
                else
                    AppendTextFormatted(out, c.directive, va_arg(args, int));
                break;
            case 's':
                if (c.length == Length::kLong)
                    AppendTextFormatted(out, c.directive, va_arg(args, const wchar_t*));
                else
                    AppendTextFormatted(out, c.directive, va_arg(args, const char*));
                break;
            case 'p':
                AppendFormatted(out, c.directive, va_arg(args, void*));
                break;
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G':
            case 'a':
            case 'A':
                if (c.length == Length::kLongDouble)
                    AppendFormatted(out, c.directive, va_arg(args, long double));
                else
                    AppendFormatted(out, c.directive, va_arg(args, double));
                break;
            case 'n':
                va_arg(args, void*);
                break; // never written through
            default:
                out += format.substr(percent, next - percent);
                break;
            }
            i = next;
        }
        result = CFStringCreateWithUTF8(out);
    } catch (const std::bad_alloc&) {
    }
    va_end(args);
    return result;
}

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                     CFStringRef format, ...) {
    va_list args;
    va_start(args, format);
    CFStringRef string = CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, args);
    va_end(args);
    return string;
}
