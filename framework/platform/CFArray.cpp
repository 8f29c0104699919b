// Arrays: ordered values whose ownership and equality the array's callbacks define.

#include "CFInternal.h"

#include <vector>

struct CFArrayObject : CFObject {
    static const CFClass kClass;
    CFArrayObject(const CFArrayCallBacks* valueCallBacks, bool isMutable, CFIndex maximum)
        : CFObject(&kClass, 1), callBacks(valueCallBacks ? *valueCallBacks : CFArrayCallBacks{}),
          mutableArray(isMutable), capacity(maximum) {}
    ~CFArrayObject() {
        for (const void* value : values)
            Release(value);
    }

    const void* Retain(const void* value) const {
        return callBacks.retain ? callBacks.retain(nullptr, value) : value;
    }
    void Release(const void* value) const {
        if (callBacks.release) callBacks.release(nullptr, value);
    }
    bool Equal(const void* a, const void* b) const {
        return a == b || (callBacks.equal && callBacks.equal(a, b));
    }
    CFIndex Count() const { return static_cast<CFIndex>(values.size()); }
    bool HasRoom() const { return capacity == 0 || Count() < capacity; }
    bool Contains(CFRange range) const {
        return range.location >= 0 && range.length >= 0 && range.location <= Count() &&
               range.length <= Count() - range.location;
    }
    // Retains the value and inserts it; on failure the array is unchanged.
    bool Insert(CFIndex index, const void* value) {
        const void* retained = Retain(value);
        try {
            values.insert(values.begin() + index, retained);
            return true;
        } catch (const std::bad_alloc&) {
            Release(retained);
            return false;
        }
    }

    CFArrayCallBacks callBacks;
    std::vector<const void*> values;
    bool mutableArray;
    CFIndex capacity; // 0: unlimited
};

namespace {

const void* RetainType(CFAllocatorRef, const void* value) {
    return CFRetain(value);
}

void ReleaseType(CFAllocatorRef, const void* value) {
    CFRelease(value);
}

bool ArrayEqual(const CFObject* a, const CFObject* b) {
    const auto* arrayA = static_cast<const CFArrayObject*>(a);
    const auto* arrayB = static_cast<const CFArrayObject*>(b);
    if (arrayA->values.size() != arrayB->values.size()) return false;
    for (size_t i = 0; i < arrayA->values.size(); ++i)
        if (!arrayA->Equal(arrayA->values[i], arrayB->values[i])) return false;
    return true;
}

CFHashCode ArrayHash(const CFObject* object) {
    return static_cast<CFHashCode>(static_cast<const CFArrayObject*>(object)->values.size());
}

void ArrayDescribe(const CFObject* object, std::string& text) {
    const auto* array = static_cast<const CFArrayObject*>(object);
    text += '(';
    for (size_t i = 0; i < array->values.size(); ++i) {
        if (i > 0) text += ", ";
        CFAppendValueDescription(text, array->values[i], array->callBacks.copyDescription);
    }
    text += ')';
}

const CFArrayObject* AsArray(CFArrayRef array) {
    return CFCast<CFArrayObject>(array, kCFArrayTypeID);
}

CFArrayObject* AsMutableArray(CFMutableArrayRef array) {
    const CFArrayObject* object = AsArray(array);
    return object && object->mutableArray ? const_cast<CFArrayObject*>(object) : nullptr;
}

CFArrayObject* MakeArray(const CFArrayCallBacks* callBacks, bool isMutable, CFIndex capacity,
                         const void* const* values, CFIndex count) {
    if (capacity < 0 || count < 0 || (count > 0 && !values) || (capacity && count > capacity))
        return nullptr;
    CFArrayObject* array = CFNew<CFArrayObject>(callBacks, isMutable, capacity);
    if (!array) return nullptr;
    try {
        array->values.reserve(static_cast<size_t>(count));
    } catch (const std::exception&) {
        CFRelease(array);
        return nullptr;
    }
    for (CFIndex i = 0; i < count; ++i)
        array->values.push_back(array->Retain(values[i])); // reserved: cannot throw
    return array;
}

} // namespace

const CFClass CFArrayObject::kClass{kCFArrayTypeID, "CFArray", CFDelete<CFArrayObject>,
                                    ArrayEqual,     ArrayHash, ArrayDescribe};

const CFArrayCallBacks kCFTypeArrayCallBacks{0, RetainType, ReleaseType, CFCopyDescription,
                                             CFEqual};

CFArrayRef CFArrayCreate(CFAllocatorRef, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks) {
    return MakeArray(callBacks, false, 0, values, numValues);
}

CFArrayRef CFArrayCreateCopy(CFAllocatorRef, CFArrayRef ref) {
    const CFArrayObject* array = AsArray(ref);
    if (!array) return nullptr;
    return MakeArray(&array->callBacks, false, 0, array->values.data(), array->Count());
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef, CFIndex capacity,
                                       const CFArrayCallBacks* callBacks) {
    return MakeArray(callBacks, true, capacity, nullptr, 0);
}

CFIndex CFArrayGetCount(CFArrayRef ref) {
    const CFArrayObject* array = AsArray(ref);
    return array ? array->Count() : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef ref, CFIndex index) {
    const CFArrayObject* array = AsArray(ref);
    if (!array || index < 0 || index >= array->Count()) return nullptr;
    return array->values[static_cast<size_t>(index)];
}

void CFArrayAppendValue(CFMutableArrayRef ref, const void* value) {
    CFArrayObject* array = AsMutableArray(ref);
    if (array && array->HasRoom()) array->Insert(array->Count(), value);
}
