// Property lists: CF objects to and from XML through libplist, and property-list files.

#include "CFInternal.h"

#include <plist/plist.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <random>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct PlistFree {
    void operator()(void* node) const { plist_free(node); }
};
using Plist = std::unique_ptr<void, PlistFree>;

struct MallocFree {
    void operator()(void* memory) const { std::free(memory); }
};
using MallocText = std::unique_ptr<char, MallocFree>;

// A reason for failure, reported as an error in the Cocoa domain.
struct Failure {
    CFIndex code;
    std::string message;
};

void Report(CFErrorRef* error, CFErrorDomain domain, CFIndex code, const std::string& message) {
    if (error) *error = CFErrorCreateWithDescription(domain, code, message);
}

// ---- Reading -------------------------------------------------------------------------------

enum class Nesting { kWithin, kTooDeep, kMalformed };

// libplist parses nested elements recursively, so hostile nesting would exhaust the stack before
// it could report anything. This measures element nesting first, without interpreting anything
// else: comments, CDATA sections, declarations and processing instructions are skipped as XML
// skips them, quoted attribute values may hold '>', and "<x/>" opens nothing.
Nesting MeasureNesting(std::string_view xml, int limit) {
    int depth = 0;
    size_t i = 0;
    auto skipPast = [&](std::string_view terminator) {
        const size_t end = xml.find(terminator, i);
        if (end == std::string_view::npos) return false;
        i = end + terminator.size();
        return true;
    };
    while ((i = xml.find('<', i)) != std::string_view::npos) {
        const std::string_view rest = xml.substr(i);
        if (rest.compare(0, 4, "<!--") == 0) {
            if (!skipPast("-->")) return Nesting::kMalformed;
        } else if (rest.compare(0, 9, "<![CDATA[") == 0) {
            if (!skipPast("]]>")) return Nesting::kMalformed;
        } else if (rest.compare(0, 2, "<?") == 0) {
            if (!skipPast("?>")) return Nesting::kMalformed;
        } else if (rest.compare(0, 2, "<!") == 0) {
            if (!skipPast(">")) return Nesting::kMalformed;
        } else {
            const bool closing = rest.size() > 1 && rest[1] == '/';
            size_t end = 1;
            char quote = 0;
            for (; end < rest.size(); ++end) {
                const char c = rest[end];
                if (quote) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            if (end == rest.size()) return Nesting::kMalformed;
            if (closing)
                depth = std::max(0, depth - 1);
            else if (rest[end - 1] != '/' && ++depth > limit)
                return Nesting::kTooDeep;
            i += end + 1;
        }
    }
    return Nesting::kWithin;
}

class Reader {
public:
    explicit Reader(CFOptionFlags options) : mOptions(options) {}

    // The CF form of a node (owned by the caller), or null with the reason in GetFailure().
    CFTypeRef Convert(plist_t node, int depth) {
        switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t value = 0;
            plist_get_bool_val(node, &value);
            return value ? kCFBooleanTrue : kCFBooleanFalse;
        }
        case PLIST_UINT: {
            uint64_t bits = 0;
            plist_get_uint_val(node, &bits);
            const auto value = static_cast<SInt64>(bits); // libplist keeps signed values here
            return Made(CFNumberCreate(nullptr, kCFNumberSInt64Type, &value));
        }
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return Made(CFNumberCreate(nullptr, kCFNumberFloat64Type, &value));
        }
        case PLIST_STRING: {
            char* raw = nullptr;
            plist_get_string_val(node, &raw);
            const MallocText text(raw);
            return String(text.get());
        }
        case PLIST_DATE: {
            int32_t seconds = 0, microseconds = 0;
            plist_get_date_val(node, &seconds, &microseconds);
            return Made(CFDateCreate(nullptr, seconds + microseconds * 1e-6));
        }
        case PLIST_DATA: {
            char* raw = nullptr;
            uint64_t length = 0;
            plist_get_data_val(node, &raw, &length);
            const MallocText bytes(raw);
            const auto* data = reinterpret_cast<const UInt8*>(bytes.get());
            const auto size = static_cast<CFIndex>(length);
            if (mOptions != kCFPropertyListMutableContainersAndLeaves)
                return Made(CFDataCreate(nullptr, data, size));
            CFMutableDataRef mutableData = CFDataCreateMutable(nullptr, 0);
            CFDataAppendBytes(mutableData, data, size);
            if (CFDataGetLength(mutableData) == size) return mutableData;
            CFRelease(mutableData);
            return Fail("out of memory");
        }
        case PLIST_ARRAY:
            return Array(node, depth + 1);
        case PLIST_DICT:
            return Dictionary(node, depth + 1);
        case PLIST_UID:
            return Fail("the property list holds a keyed-archive reference");
        default:
            return Fail("the property list holds an element of unknown type");
        }
    }

    const Failure& GetFailure() const { return mFailure; }

private:
    CFTypeRef Fail(const std::string& message) {
        if (mFailure.message.empty()) mFailure = {kCFPropertyListReadCorruptError, message};
        return nullptr;
    }
    CFTypeRef Made(CFTypeRef object) { return object ? object : Fail("out of memory"); }

    CFTypeRef String(const char* text) {
        if (!text) return Fail("the property list holds an unreadable string");
        if (!CFIsValidUTF8(text, std::strlen(text)))
            return Fail("the property list holds text that is not valid UTF-8");
        return Made(CFStringCreateWithUTF8(text, std::strlen(text)));
    }

    bool Mutable() const { return mOptions != kCFPropertyListImmutable; }

    bool CheckDepth(int depth) {
        if (depth <= kCFPropertyListMaxDepth) return true;
        Fail("the property list nests more than " + std::to_string(kCFPropertyListMaxDepth) +
             " levels");
        return false;
    }

    CFTypeRef Array(plist_t node, int depth) {
        if (!CheckDepth(depth)) return nullptr;
        const uint32_t count = plist_array_get_size(node);
        CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
        for (uint32_t i = 0; array && i < count; ++i) {
            CFTypeRef item = Convert(plist_array_get_item(node, i), depth);
            if (item) CFArrayAppendValue(array, item);
            const bool added = item && CFArrayGetCount(array) == static_cast<CFIndex>(i) + 1;
            CFRelease(item);
            if (!added) {
                Fail("out of memory");
                CFRelease(array);
                return nullptr;
            }
        }
        if (!array || Mutable()) return Made(array);
        CFArrayRef immutable = CFArrayCreateCopy(nullptr, array);
        CFRelease(array);
        return Made(immutable);
    }

    CFTypeRef Dictionary(plist_t node, int depth) {
        if (!CheckDepth(depth)) return nullptr;
        CFMutableDictionaryRef dictionary = CFDictionaryCreateMutable(
            nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
        if (!dictionary) return Fail("out of memory");
        plist_dict_iter rawIterator = nullptr;
        plist_dict_new_iter(node, &rawIterator);
        const std::unique_ptr<void, MallocFree> iterator(rawIterator);
        const uint32_t count = plist_dict_get_size(node);
        for (uint32_t i = 0; i < count; ++i) {
            char* rawKey = nullptr;
            plist_t child = nullptr;
            plist_dict_next_item(node, iterator.get(), &rawKey, &child);
            const MallocText keyText(rawKey);
            if (!child) break;
            CFTypeRef key = String(keyText.get());
            CFTypeRef value = key ? Convert(child, depth) : nullptr;
            if (value) CFDictionarySetValue(dictionary, key, value);
            const bool added = value && CFDictionaryGetValue(dictionary, key) == value;
            CFRelease(key);
            CFRelease(value);
            if (!added) {
                Fail("out of memory");
                CFRelease(dictionary);
                return nullptr;
            }
        }
        if (Mutable()) return dictionary;
        // Immutable dictionaries are made whole from their entries.
        const CFIndex size = CFDictionaryGetCount(dictionary);
        std::vector<const void*> keys(static_cast<size_t>(size)), values(keys.size());
        CFDictionaryGetKeysAndValues(dictionary, keys.data(), values.data());
        CFDictionaryRef immutable =
            CFDictionaryCreate(nullptr, keys.data(), values.data(), size,
                               &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
        CFRelease(dictionary);
        return Made(immutable);
    }

    CFOptionFlags mOptions;
    Failure mFailure;
};

// The property list in XML bytes, or null with the reason.
CFPropertyListRef ReadXML(std::string_view bytes, CFOptionFlags options, Failure& failure) {
    if (bytes.size() > static_cast<size_t>(kCFPropertyListMaxDataSize)) {
        failure = {kCFPropertyListReadCorruptError,
                   "the property list is larger than " +
                       std::to_string(kCFPropertyListMaxDataSize >> 20) + " MiB"};
        return nullptr;
    }
    if (bytes.compare(0, 6, "bplist") == 0) {
        failure = {kCFPropertyListReadUnknownVersionError,
                   "binary property lists are not supported; only XML is read"};
        return nullptr;
    }
    // XML has no NUL character, and libplist stops the whole program on a string holding one.
    if (bytes.find('\0') != std::string_view::npos) {
        failure = {kCFPropertyListReadCorruptError,
                   "the data is not a valid XML property list: it holds a NUL character"};
        return nullptr;
    }
    // One level for the <plist> element and one for a leaf element inside the innermost
    // container.
    switch (MeasureNesting(bytes, kCFPropertyListMaxDepth + 2)) {
    case Nesting::kWithin:
        break;
    case Nesting::kTooDeep:
        failure = {kCFPropertyListReadCorruptError, "the property list nests more than " +
                                                        std::to_string(kCFPropertyListMaxDepth) +
                                                        " levels"};
        return nullptr;
    case Nesting::kMalformed:
        failure = {kCFPropertyListReadCorruptError, "the data is not a valid XML property list"};
        return nullptr;
    }
    plist_t rawRoot = nullptr;
    if (!bytes.empty()) plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &rawRoot);
    const Plist root(rawRoot);
    if (!root) {
        failure = {kCFPropertyListReadCorruptError, "the data is not a valid XML property list"};
        return nullptr;
    }
    Reader reader(options);
    CFPropertyListRef plist = reader.Convert(root.get(), 0);
    if (!plist) failure = reader.GetFailure();
    return plist;
}

// ---- Writing -------------------------------------------------------------------------------

class Writer {
public:
    // The libplist form of an object, or null with the reason in GetFailure().
    Plist Convert(CFTypeRef object, int depth) {
        const CFTypeID type = CFGetTypeID(object);
        if (type == kCFStringTypeID)
            return Made(plist_new_string(
                CFStringGetCStringPtr(static_cast<CFStringRef>(object), kCFStringEncodingUTF8)));
        if (type == kCFNumberTypeID) return Number(static_cast<CFNumberRef>(object));
        if (type == kCFBooleanTypeID)
            return Made(plist_new_bool(CFBooleanGetValue(static_cast<CFBooleanRef>(object))));
        if (type == kCFDateTypeID) return Date(static_cast<CFDateRef>(object));
        if (type == kCFDataTypeID) {
            const auto data = static_cast<CFDataRef>(object);
            return Made(plist_new_data(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                                       static_cast<uint64_t>(CFDataGetLength(data))));
        }
        if (type == kCFArrayTypeID) return Array(static_cast<CFArrayRef>(object), depth + 1);
        if (type == kCFDictionaryTypeID)
            return Dictionary(static_cast<CFDictionaryRef>(object), depth + 1);
        if (!object) return Fail("a property list cannot hold a null value");
        CFStringRef typeName = CFCopyTypeIDDescription(type);
        const std::string name = typeName ? CFStringGetUTF8(typeName) : "object of unknown type";
        CFRelease(typeName);
        return Fail("a property list cannot hold a " + name);
    }

    const Failure& GetFailure() const { return mFailure; }

private:
    Plist Fail(const std::string& message) {
        if (mFailure.message.empty()) mFailure = {kCFPropertyListWriteStreamError, message};
        return nullptr;
    }
    Plist Made(plist_t node) { return node ? Plist(node) : Fail("out of memory"); }

    bool CheckDepth(int depth) {
        if (depth <= kCFPropertyListMaxDepth) return true;
        Fail("the property list nests more than " + std::to_string(kCFPropertyListMaxDepth) +
             " levels (or holds itself)");
        return false;
    }

    Plist Number(CFNumberRef number) {
        if (CFNumberIsFloatType(number)) {
            double value = 0;
            CFNumberGetValue(number, kCFNumberFloat64Type, &value);
            return Made(plist_new_real(value));
        }
        SInt64 value = 0;
        CFNumberGetValue(number, kCFNumberSInt64Type, &value);
        return Made(plist_new_uint(static_cast<uint64_t>(value))); // libplist writes it signed
    }

    Plist Date(CFDateRef date) {
        const double time = CFDateGetAbsoluteTime(date);
        const double seconds = std::floor(time);
        if (!(seconds >= INT32_MIN && seconds <= INT32_MAX))
            return Fail("a property list date must lie within 68 years of 2001");
        const auto microseconds = static_cast<int32_t>(std::lround((time - seconds) * 1e6));
        return Made(plist_new_date(static_cast<int32_t>(seconds), microseconds));
    }

    Plist Array(CFArrayRef array, int depth) {
        if (!CheckDepth(depth)) return nullptr;
        Plist node = Made(plist_new_array());
        for (CFIndex i = 0; node && i < CFArrayGetCount(array); ++i) {
            Plist item = Convert(CFArrayGetValueAtIndex(array, i), depth);
            if (!item) return nullptr;
            plist_array_append_item(node.get(), item.release());
        }
        return node;
    }

    Plist Dictionary(CFDictionaryRef dictionary, int depth) {
        if (!CheckDepth(depth)) return nullptr;
        const CFIndex count = CFDictionaryGetCount(dictionary);
        std::vector<const void*> keys(static_cast<size_t>(count)), values(keys.size());
        CFDictionaryGetKeysAndValues(dictionary, keys.data(), values.data());
        std::vector<size_t> order(keys.size());
        for (size_t i = 0; i < order.size(); ++i) {
            if (CFGetTypeID(keys[i]) != kCFStringTypeID)
                return Fail("a property list dictionary key must be a string");
            order[i] = i;
        }
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return CFStringCompare(static_cast<CFStringRef>(keys[a]),
                                   static_cast<CFStringRef>(keys[b]), 0) == kCFCompareLessThan;
        });
        Plist node = Made(plist_new_dict());
        for (const size_t i : order) {
            if (!node) break;
            Plist item = Convert(values[i], depth);
            if (!item) return nullptr;
            plist_dict_set_item(
                node.get(),
                CFStringGetCStringPtr(static_cast<CFStringRef>(keys[i]), kCFStringEncodingUTF8),
                item.release());
        }
        return node;
    }

    Failure mFailure;
};

// The XML text of a property list; false with the reason.
bool WriteXML(CFPropertyListRef plist, std::string& xml, Failure& failure) {
    Writer writer;
    const Plist root = writer.Convert(plist, 0);
    if (!root) {
        failure = writer.GetFailure();
        return false;
    }
    char* raw = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &raw, &length);
    const MallocText text(raw);
    if (!text) {
        failure = {kCFPropertyListWriteStreamError, "libplist could not write the XML"};
        return false;
    }
    xml.assign(text.get(), length);
    return true;
}

// ---- Files ---------------------------------------------------------------------------------

class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : mDescriptor(descriptor) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return mDescriptor; }
    // The result of close(2); closing twice is harmless.
    int Close() {
        const int result = mDescriptor >= 0 ? close(mDescriptor) : 0;
        mDescriptor = -1;
        return result;
    }

private:
    int mDescriptor;
};

std::string PosixMessage(const std::string& action, const std::string& path, int error) {
    return action + " " + path + ": " + std::strerror(error);
}

// Reads a whole file of at most the property-list size limit.
bool ReadFile(const std::string& path, std::string& bytes, CFErrorRef* error) {
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (file.Get() < 0 || fstat(file.Get(), &status) != 0) {
        Report(error, kCFErrorDomainPOSIX, errno, PosixMessage("cannot read", path, errno));
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        const int reason = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        Report(error, kCFErrorDomainPOSIX, reason, "cannot read " + path + ": not a file");
        return false;
    }
    if (status.st_size > kCFPropertyListMaxDataSize) {
        Report(error, kCFErrorDomainCocoa, kCFPropertyListReadCorruptError,
               path + ": the property list is larger than " +
                   std::to_string(kCFPropertyListMaxDataSize >> 20) + " MiB");
        return false;
    }
    bytes.resize(static_cast<size_t>(status.st_size));
    size_t done = 0;
    // The file may change size while it is read: stop at its end, refuse it past the limit.
    for (;;) {
        if (done == bytes.size()) {
            if (bytes.size() > static_cast<size_t>(kCFPropertyListMaxDataSize)) break;
            bytes.resize(bytes.size() + 4096);
        }
        const ssize_t count = read(file.Get(), bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            Report(error, kCFErrorDomainPOSIX, errno, PosixMessage("cannot read", path, errno));
            return false;
        }
        if (count == 0) break;
        done += static_cast<size_t>(count);
    }
    bytes.resize(done);
    return true;
}

} // namespace

CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef, CFDataRef data,
                                               CFOptionFlags options, CFPropertyListFormat* format,
                                               CFErrorRef* error) {
    if (error) *error = nullptr;
    if (CFGetTypeID(data) != kCFDataTypeID) {
        Report(error, kCFErrorDomainCocoa, kCFPropertyListReadCorruptError, "no data to read");
        return nullptr;
    }
    try {
        Failure failure;
        const std::string_view bytes(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                                     static_cast<size_t>(CFDataGetLength(data)));
        CFPropertyListRef plist = ReadXML(bytes, options, failure);
        if (!plist) Report(error, kCFErrorDomainCocoa, failure.code, failure.message);
        if (plist && format) *format = kCFPropertyListXMLFormat_v1_0;
        return plist;
    } catch (const std::bad_alloc&) {
        Report(error, kCFErrorDomainCocoa, kCFPropertyListReadCorruptError, "out of memory");
        return nullptr;
    }
}

CFDataRef CFPropertyListCreateData(CFAllocatorRef, CFPropertyListRef plist,
                                   CFPropertyListFormat format, CFOptionFlags, CFErrorRef* error) {
    if (error) *error = nullptr;
    if (format != kCFPropertyListXMLFormat_v1_0) {
        Report(error, kCFErrorDomainCocoa, kCFPropertyListWriteStreamError,
               "only the XML property list format is written");
        return nullptr;
    }
    try {
        std::string xml;
        Failure failure;
        if (!WriteXML(plist, xml, failure)) {
            Report(error, kCFErrorDomainCocoa, failure.code, failure.message);
            return nullptr;
        }
        return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(xml.data()),
                            static_cast<CFIndex>(xml.size()));
    } catch (const std::bad_alloc&) {
        Report(error, kCFErrorDomainCocoa, kCFPropertyListWriteStreamError, "out of memory");
        return nullptr;
    }
}

CFPropertyListRef CFPropertyListCreateWithContentsOfURL(CFAllocatorRef, CFURLRef fileURL,
                                                        CFOptionFlags options,
                                                        CFPropertyListFormat* format,
                                                        CFErrorRef* error) {
    if (error) *error = nullptr;
    try {
        const std::string path = CFURLGetPath(fileURL);
        if (path.empty()) {
            Report(error, kCFErrorDomainPOSIX, EINVAL, "no file to read");
            return nullptr;
        }
        std::string bytes;
        if (!ReadFile(path, bytes, error)) return nullptr;
        Failure failure;
        CFPropertyListRef plist = ReadXML(bytes, options, failure);
        if (!plist) Report(error, kCFErrorDomainCocoa, failure.code, path + ": " + failure.message);
        if (plist && format) *format = kCFPropertyListXMLFormat_v1_0;
        return plist;
    } catch (const std::bad_alloc&) {
        Report(error, kCFErrorDomainCocoa, kCFPropertyListReadCorruptError, "out of memory");
        return nullptr;
    }
}
