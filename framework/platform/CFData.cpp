// Byte buffers, immutable and mutable.

#include "CFInternal.h"

#include <cstring>
#include <functional>
#include <vector>

struct CFDataObject : CFObject {
    static const CFClass kClass;
    CFDataObject(bool isMutable, CFIndex maximum)
        : CFObject(&kClass, 1), mutableData(isMutable), capacity(maximum) {}

    // Whether length more bytes may be added.
    bool CanGrowBy(CFIndex length) const {
        const auto size = static_cast<CFIndex>(bytes.size());
        return length >= 0 && length <= LONG_MAX - size &&
               (capacity == 0 || size + length <= capacity);
    }

    std::vector<UInt8> bytes;
    bool mutableData;
    CFIndex capacity; // 0: unlimited
};

namespace {

bool DataEqual(const CFObject* a, const CFObject* b) {
    return static_cast<const CFDataObject*>(a)->bytes == static_cast<const CFDataObject*>(b)->bytes;
}

CFHashCode DataHash(const CFObject* object) {
    const auto& bytes = static_cast<const CFDataObject*>(object)->bytes;
    CFHashCode hash = 14695981039346656037ull; // FNV-1a
    for (const UInt8 byte : bytes) {
        hash ^= byte;
        hash *= 1099511628211ull;
    }
    return hash;
}

// "<01020304 05>": hex in groups of four bytes.
void DataDescribe(const CFObject* object, std::string& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    const auto& bytes = static_cast<const CFDataObject*>(object)->bytes;
    text += '<';
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i % 4 == 0) text += ' ';
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 15];
    }
    text += '>';
}

const CFDataObject* AsData(CFDataRef data) {
    return CFCast<CFDataObject>(data, kCFDataTypeID);
}

CFDataObject* AsMutableData(CFMutableDataRef data) {
    const CFDataObject* object = AsData(data);
    return object && object->mutableData ? const_cast<CFDataObject*>(object) : nullptr;
}

CFDataObject* MakeData(bool isMutable, CFIndex capacity, const UInt8* bytes, CFIndex length) {
    if (capacity < 0 || length < 0 || (length > 0 && !bytes) || (capacity && length > capacity))
        return nullptr;
    CFDataObject* data = CFNew<CFDataObject>(isMutable, capacity);
    if (!data) return nullptr;
    try {
        data->bytes.assign(bytes, bytes + length);
    } catch (const std::exception&) { // bad_alloc or length_error
        CFRelease(data);
        return nullptr;
    }
    return data;
}

} // namespace

const CFClass CFDataObject::kClass{kCFDataTypeID, "CFData", CFDelete<CFDataObject>,
                                   DataEqual,     DataHash, DataDescribe};

CFTypeID CFDataGetTypeID() {
    return kCFDataTypeID;
}

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length) {
    return MakeData(false, 0, bytes, length);
}

CFMutableDataRef CFDataCreateMutable(CFAllocatorRef, CFIndex capacity) {
    return MakeData(true, capacity, nullptr, 0);
}

CFMutableDataRef CFDataCreateMutableCopy(CFAllocatorRef, CFIndex capacity, CFDataRef ref) {
    const CFDataObject* data = AsData(ref);
    if (!data) return nullptr;
    return MakeData(true, capacity, data->bytes.data(), static_cast<CFIndex>(data->bytes.size()));
}

CFIndex CFDataGetLength(CFDataRef ref) {
    const CFDataObject* data = AsData(ref);
    return data ? static_cast<CFIndex>(data->bytes.size()) : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef ref) {
    const CFDataObject* data = AsData(ref);
    return data && !data->bytes.empty() ? data->bytes.data() : nullptr;
}

UInt8* CFDataGetMutableBytePtr(CFMutableDataRef ref) {
    CFDataObject* data = AsMutableData(ref);
    return data && !data->bytes.empty() ? data->bytes.data() : nullptr;
}

void CFDataAppendBytes(CFMutableDataRef ref, const UInt8* bytes, CFIndex length) {
    CFDataObject* data = AsMutableData(ref);
    if (!data || !bytes || !data->CanGrowBy(length)) return;
    try {
        const UInt8* begin = data->bytes.data();
        const std::less<const UInt8*> before;
        if (!before(bytes, begin) && before(bytes, begin + data->bytes.size())) {
            // Appending part of itself: growing would move the source.
            const std::vector<UInt8> copy(bytes, bytes + length);
            data->bytes.insert(data->bytes.end(), copy.begin(), copy.end());
        } else {
            data->bytes.insert(data->bytes.end(), bytes, bytes + length);
        }
    } catch (const std::exception&) {
        // Out of memory: the data stays as it was.
    }
}

void CFDataSetLength(CFMutableDataRef ref, CFIndex length) {
    CFDataObject* data = AsMutableData(ref);
    if (!data || length < 0) return;
    const auto size = static_cast<CFIndex>(data->bytes.size());
    if (length > size && !data->CanGrowBy(length - size)) return;
    try {
        data->bytes.resize(static_cast<size_t>(length));
    } catch (const std::exception&) {
    }
}
