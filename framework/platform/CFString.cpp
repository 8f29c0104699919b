// Strings: creation from C strings in the supported encodings, access, comparison.

#include "CFInternal.h"
#include "UTL_Mutex.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace {

bool StringEqual(const CFObject* a, const CFObject* b) {
    const auto* stringA = static_cast<const CFStringObject*>(a);
    const auto* stringB = static_cast<const CFStringObject*>(b);
    return stringA->size == stringB->size &&
           std::memcmp(stringA->text, stringB->text, stringA->size) == 0;
}

CFHashCode StringHash(const CFObject* object) {
    const auto* string = static_cast<const CFStringObject*>(object);
    CFHashCode hash = 14695981039346656037ull; // FNV-1a
    for (size_t i = 0; i < string->size; ++i) {
        hash ^= static_cast<unsigned char>(string->text[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

void StringDescribe(const CFObject* object, std::string& text) {
    const auto* string = static_cast<const CFStringObject*>(object);
    text.append(string->text, string->size);
}

const CFStringObject* AsString(CFStringRef string) {
    return CFCast<CFStringObject>(string, kCFStringTypeID);
}

bool IsASCII(const char* text, size_t size) {
    for (size_t i = 0; i < size; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
    return true;
}

// Decodes the code point at p (valid UTF-8) and advances p.
UInt32 NextCodePoint(const unsigned char*& p) {
    const UInt32 lead = *p++;
    if (lead < 0x80) return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    UInt32 codePoint = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i)
        codePoint = codePoint << 6 | (*p++ & 0x3F);
    return codePoint;
}

void AppendLatin1AsUTF8(std::string& out, const char* text, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out += static_cast<char>(byte);
        } else {
            out += static_cast<char>(0xC0 | byte >> 6);
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
}

// The text of a C string in the encoding as UTF-8; false when it is not valid in it.
bool DecodeCString(const char* text, CFStringEncoding encoding, std::string& utf8) {
    const size_t size = std::strlen(text);
    switch (encoding) {
    case kCFStringEncodingUTF8:
        if (!CFIsValidUTF8(text, size)) return false;
        utf8.assign(text, size);
        return true;
    case kCFStringEncodingASCII:
    case kCFStringEncodingMacRoman:
        if (!IsASCII(text, size)) return false;
        utf8.assign(text, size);
        return true;
    case kCFStringEncodingISOLatin1:
        utf8.clear();
        AppendLatin1AsUTF8(utf8, text, size);
        return true;
    default:
        return false;
    }
}

// Writes the string's text in the encoding (with terminator) when it fits; false otherwise.
bool EncodeInto(const CFStringObject* string, CFStringEncoding encoding, char* buffer,
                size_t bufferSize) {
    switch (encoding) {
    case kCFStringEncodingUTF8:
    case kCFStringEncodingASCII:
    case kCFStringEncodingMacRoman:
        if (encoding != kCFStringEncodingUTF8 && !IsASCII(string->text, string->size)) return false;
        if (string->size >= bufferSize) return false;
        std::memcpy(buffer, string->text, string->size + 1);
        return true;
    case kCFStringEncodingISOLatin1: {
        const auto* p = reinterpret_cast<const unsigned char*>(string->text);
        const auto* end = p + string->size;
        size_t written = 0;
        while (p < end) {
            const UInt32 codePoint = NextCodePoint(p);
            if (codePoint > 0xFF || written + 1 >= bufferSize) return false;
            buffer[written++] = static_cast<char>(codePoint);
        }
        buffer[written] = '\0';
        return true;
    }
    default:
        return false;
    }
}

bool IsDigit(UInt32 codePoint) {
    return codePoint >= '0' && codePoint <= '9';
}

UInt32 FoldCase(UInt32 codePoint) {
    return codePoint >= 'A' && codePoint <= 'Z' ? codePoint + ('a' - 'A') : codePoint;
}

// Compares the digit runs starting at a and b by value and advances both past them.
int CompareDigitRuns(const unsigned char*& a, const unsigned char* endA, const unsigned char*& b,
                     const unsigned char* endB) {
    auto skipRun = [](const unsigned char*& p, const unsigned char* end) {
        while (p < end && *p == '0')
            ++p;
        const unsigned char* significant = p;
        while (p < end && IsDigit(*p))
            ++p;
        return std::string_view(reinterpret_cast<const char*>(significant),
                                static_cast<size_t>(p - significant));
    };
    const std::string_view runA = skipRun(a, endA);
    const std::string_view runB = skipRun(b, endB);
    if (runA.size() != runB.size()) return runA.size() < runB.size() ? -1 : 1;
    const int order = runA.compare(runB);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

} // namespace

const CFClass CFStringObject::kClass{kCFStringTypeID, "CFString", CFDelete<CFStringObject>,
                                     StringEqual,     StringHash, StringDescribe};

CFStringObject::~CFStringObject() {
    if (storage == Storage::kOwned) delete[] text;
    if (storage == Storage::kMalloced) std::free(const_cast<char*>(text));
}

bool CFIsValidUTF8(const char* text, size_t size) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* end = p + size;
    while (p < end) {
        const unsigned char lead = *p++;
        if (lead < 0x80) continue;
        int extra;
        UInt32 minimum;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (end - p < extra) return false;
        UInt32 codePoint = lead & (0x3F >> extra);
        for (int i = 0; i < extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            codePoint = codePoint << 6 | (p[i] & 0x3F);
        }
        if (codePoint < minimum || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        p += extra;
    }
    return true;
}

CFStringRef CFStringCreateWithUTF8(const char* text, size_t size) {
    char* copy = new (std::nothrow) char[size + 1];
    if (!copy) return nullptr;
    std::memcpy(copy, text, size);
    copy[size] = '\0';
    CFStringObject* string = CFNew<CFStringObject>(copy, size, CFUTF16Length(copy, size),
                                                   CFStringObject::Storage::kOwned);
    if (!string) delete[] copy;
    return string;
}

std::string CFStringGetUTF8(CFStringRef ref) {
    const CFStringObject* string = AsString(ref);
    return string ? std::string(string->text, string->size) : std::string();
}

CFTypeID CFStringGetTypeID() {
    return kCFStringTypeID;
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* cStr, CFStringEncoding encoding) {
    if (!cStr) return nullptr;
    try {
        std::string utf8;
        if (!DecodeCString(cStr, encoding, utf8)) return nullptr;
        return CFStringCreateWithUTF8(utf8);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFStringRef CFStringCreateWithCStringNoCopy(CFAllocatorRef alloc, const char* cStr,
                                            CFStringEncoding encoding,
                                            CFAllocatorRef contentsDeallocator) {
    if (!cStr) return nullptr;
    const bool freeText = contentsDeallocator != kCFAllocatorNull;
    const size_t size = std::strlen(cStr);
    const bool keepable = encoding == kCFStringEncodingUTF8 ? CFIsValidUTF8(cStr, size)
                          : encoding == kCFStringEncodingASCII ||
                                  encoding == kCFStringEncodingMacRoman ||
                                  encoding == kCFStringEncodingISOLatin1
                              ? IsASCII(cStr, size)
                              : false;
    if (keepable) {
        const auto storage =
            freeText ? CFStringObject::Storage::kMalloced : CFStringObject::Storage::kBorrowed;
        CFStringObject* string =
            CFNew<CFStringObject>(cStr, size, CFUTF16Length(cStr, size), storage);
        if (string || !freeText) return string;
        std::free(const_cast<char*>(cStr)); // the string would have owned it
        return nullptr;
    }
    CFStringRef string = CFStringCreateWithCString(alloc, cStr, encoding);
    if (freeText) std::free(const_cast<char*>(cStr));
    return string;
}

CFStringRef CFStringMakeConstantString(const char* cStr) {
    // One object per text, as the platform's linker merges equal constant strings. The table
    // is never destroyed, so constants stay valid during static destruction.
    struct Constants {
        UTL_Mutex mutex;
        std::unordered_map<std::string, CFStringRef> byText;
    };
    static Constants* constants = new Constants;
    try {
        std::string utf8;
        if (!DecodeCString(cStr ? cStr : "", kCFStringEncodingUTF8, utf8))
            DecodeCString(cStr, kCFStringEncodingISOLatin1, utf8);
        UTL_MutexLock lock(&constants->mutex);
        CFStringRef& constant = constants->byText[utf8];
        if (!constant) {
            constant = CFStringCreateWithUTF8(utf8);
            if (constant)
                constant->retainCount.store(kCFImmortalRetainCount, std::memory_order_relaxed);
        }
        return constant;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFIndex CFStringGetLength(CFStringRef ref) {
    const CFStringObject* string = AsString(ref);
    return string ? string->length16 : 0;
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding) {
    if (length < 0) return kCFNotFound;
    switch (encoding) {
    case kCFStringEncodingUTF8:
        return length > LONG_MAX / 3 ? kCFNotFound : length * 3;
    case kCFStringEncodingASCII:
    case kCFStringEncodingMacRoman:
    case kCFStringEncodingISOLatin1:
        return length;
    default:
        return kCFNotFound;
    }
}

Boolean CFStringGetCString(CFStringRef ref, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding) {
    if (!buffer || bufferSize <= 0) return false;
    const CFStringObject* string = AsString(ref);
    if (string && EncodeInto(string, encoding, buffer, static_cast<size_t>(bufferSize)))
        return true;
    buffer[0] = '\0';
    return false;
}

const char* CFStringGetCStringPtr(CFStringRef ref, CFStringEncoding encoding) {
    const CFStringObject* string = AsString(ref);
    if (!string) return nullptr;
    if (encoding == kCFStringEncodingUTF8) return string->text;
    if ((encoding == kCFStringEncodingASCII || encoding == kCFStringEncodingMacRoman) &&
        IsASCII(string->text, string->size))
        return string->text;
    return nullptr;
}

CFComparisonResult CFStringCompare(CFStringRef refA, CFStringRef refB,
                                   CFStringCompareFlags options) {
    const CFStringObject* stringA = AsString(refA);
    const CFStringObject* stringB = AsString(refB);
    if (!stringA || !stringB)
        return stringA ? kCFCompareGreaterThan : stringB ? kCFCompareLessThan : kCFCompareEqualTo;
    const auto* a = reinterpret_cast<const unsigned char*>(stringA->text);
    const auto* b = reinterpret_cast<const unsigned char*>(stringB->text);
    const auto* endA = a + stringA->size;
    const auto* endB = b + stringB->size;
    while (a < endA && b < endB) {
        if ((options & kCFCompareNumerically) && IsDigit(*a) && IsDigit(*b)) {
            const int order = CompareDigitRuns(a, endA, b, endB);
            if (order != 0) return order;
            continue;
        }
        UInt32 codeA = NextCodePoint(a);
        UInt32 codeB = NextCodePoint(b);
        if (options & kCFCompareCaseInsensitive) {
            codeA = FoldCase(codeA);
            codeB = FoldCase(codeB);
        }
        if (codeA != codeB) return codeA < codeB ? kCFCompareLessThan : kCFCompareGreaterThan;
    }
    if (a < endA) return kCFCompareGreaterThan;
    if (b < endB) return kCFCompareLessThan;
    return kCFCompareEqualTo;
}
