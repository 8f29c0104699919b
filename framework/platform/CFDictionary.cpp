// Dictionaries: hashed key-value tables whose ownership, equality and hashing the dictionary's
// callbacks define.

#include "CFInternal.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <vector>

namespace {

struct KeyHash {
    const CFDictionaryKeyCallBacks* callBacks;
    size_t operator()(const void* key) const {
        return callBacks->hash ? callBacks->hash(key) : std::hash<const void*>()(key);
    }
};

struct KeyEqual {
    const CFDictionaryKeyCallBacks* callBacks;
    bool operator()(const void* a, const void* b) const {
        return a == b || (callBacks->equal && callBacks->equal(a, b));
    }
};

} // namespace

struct CFDictionaryObject : CFObject {
    static const CFClass kClass;
    CFDictionaryObject(const CFDictionaryKeyCallBacks* keys,
                       const CFDictionaryValueCallBacks* values, bool isMutable, CFIndex maximum)
        : CFObject(&kClass, 1), keyCallBacks(keys ? *keys : CFDictionaryKeyCallBacks{}),
          valueCallBacks(values ? *values : CFDictionaryValueCallBacks{}),
          entries(0, KeyHash{&keyCallBacks}, KeyEqual{&keyCallBacks}), mutableDictionary(isMutable),
          capacity(maximum) {}
    ~CFDictionaryObject() {
        for (const auto& [key, value] : entries) {
            ReleaseValue(value);
            ReleaseKey(key);
        }
    }

    const void* RetainKey(const void* key) const {
        return keyCallBacks.retain ? keyCallBacks.retain(nullptr, key) : key;
    }
    void ReleaseKey(const void* key) const {
        if (keyCallBacks.release) keyCallBacks.release(nullptr, key);
    }
    const void* RetainValue(const void* value) const {
        return valueCallBacks.retain ? valueCallBacks.retain(nullptr, value) : value;
    }
    void ReleaseValue(const void* value) const {
        if (valueCallBacks.release) valueCallBacks.release(nullptr, value);
    }
    bool ValuesEqual(const void* a, const void* b) const {
        return a == b || (valueCallBacks.equal && valueCallBacks.equal(a, b));
    }
    CFIndex Count() const { return static_cast<CFIndex>(entries.size()); }

    using Table = std::unordered_map<const void*, const void*, KeyHash, KeyEqual>;

    // Adds a new entry; false (leaving the dictionary unchanged) when full or out of memory.
    bool Add(const void* key, const void* value) {
        if (capacity != 0 && Count() >= capacity) return false;
        const void* retainedKey = RetainKey(key);
        const void* retainedValue = RetainValue(value);
        try {
            entries.emplace(retainedKey, retainedValue);
            return true;
        } catch (const std::bad_alloc&) {
            ReleaseValue(retainedValue);
            ReleaseKey(retainedKey);
            return false;
        }
    }
    // Keeps the entry's key and swaps in the value.
    void Replace(Table::iterator entry, const void* value) {
        const void* retained = RetainValue(value); // before releasing: it may be the old one
        const void* old = entry->second;
        entry->second = retained;
        ReleaseValue(old);
    }
    bool Set(const void* key, const void* value) {
        const auto entry = entries.find(key);
        if (entry == entries.end()) return Add(key, value);
        Replace(entry, value);
        return true;
    }

    // The callbacks come first: the table's hash and equality refer to them.
    CFDictionaryKeyCallBacks keyCallBacks;
    CFDictionaryValueCallBacks valueCallBacks;
    Table entries;
    bool mutableDictionary;
    CFIndex capacity; // 0: unlimited
};

namespace {

const void* RetainType(CFAllocatorRef, const void* value) {
    return CFRetain(value);
}

void ReleaseType(CFAllocatorRef, const void* value) {
    CFRelease(value);
}

CFHashCode HashType(const void* value) {
    return CFHash(value);
}

bool DictionaryEqual(const CFObject* a, const CFObject* b) {
    const auto* dictionaryA = static_cast<const CFDictionaryObject*>(a);
    const auto* dictionaryB = static_cast<const CFDictionaryObject*>(b);
    if (dictionaryA->entries.size() != dictionaryB->entries.size()) return false;
    for (const auto& [key, value] : dictionaryA->entries) {
        const auto other = dictionaryB->entries.find(key);
        if (other == dictionaryB->entries.end() || !dictionaryA->ValuesEqual(value, other->second))
            return false;
    }
    return true;
}

CFHashCode DictionaryHash(const CFObject* object) {
    return static_cast<CFHashCode>(static_cast<const CFDictionaryObject*>(object)->entries.size());
}

// "{key = value; key2 = value2}", sorted by key text so that the text does not depend on the
// table's order.
void DictionaryDescribe(const CFObject* object, std::string& text) {
    const auto* dictionary = static_cast<const CFDictionaryObject*>(object);
    std::vector<std::pair<std::string, std::string>> lines;
    lines.reserve(dictionary->entries.size());
    for (const auto& [key, value] : dictionary->entries) {
        std::string keyText, valueText;
        CFAppendValueDescription(keyText, key, dictionary->keyCallBacks.copyDescription);
        CFAppendValueDescription(valueText, value, dictionary->valueCallBacks.copyDescription);
        lines.emplace_back(std::move(keyText), std::move(valueText));
    }
    std::sort(lines.begin(), lines.end());
    text += '{';
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += "; ";
        text += lines[i].first;
        text += " = ";
        text += lines[i].second;
    }
    text += '}';
}

const CFDictionaryObject* AsDictionary(CFDictionaryRef dictionary) {
    return CFCast<CFDictionaryObject>(dictionary, kCFDictionaryTypeID);
}

CFDictionaryObject* AsMutableDictionary(CFMutableDictionaryRef dictionary) {
    const CFDictionaryObject* object = AsDictionary(dictionary);
    return object && object->mutableDictionary ? const_cast<CFDictionaryObject*>(object) : nullptr;
}

CFDictionaryObject* MakeDictionary(const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks, bool isMutable,
                                   CFIndex capacity) {
    if (capacity < 0) return nullptr;
    return CFNew<CFDictionaryObject>(keyCallBacks, valueCallBacks, isMutable, capacity);
}

} // namespace

const CFClass CFDictionaryObject::kClass{
    kCFDictionaryTypeID, "CFDictionary", CFDelete<CFDictionaryObject>,
    DictionaryEqual,     DictionaryHash, DictionaryDescribe};

const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks{
    0, RetainType, ReleaseType, CFCopyDescription, CFEqual, HashType};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks{0, RetainType, ReleaseType,
                                                                 CFCopyDescription, CFEqual};

CFTypeID CFDictionaryGetTypeID() {
    return kCFDictionaryTypeID;
}

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef, const void** keys, const void** values,
                                   CFIndex numValues, const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks) {
    if (numValues < 0 || (numValues > 0 && (!keys || !values))) return nullptr;
    CFDictionaryObject* dictionary = MakeDictionary(keyCallBacks, valueCallBacks, true, 0);
    if (!dictionary) return nullptr;
    for (CFIndex i = 0; i < numValues; ++i) {
        if (!dictionary->Set(keys[i], values[i])) { // a repeated key's last value wins
            CFRelease(dictionary);
            return nullptr;
        }
    }
    dictionary->mutableDictionary = false;
    return dictionary;
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks) {
    return MakeDictionary(keyCallBacks, valueCallBacks, true, capacity);
}

CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef, CFIndex capacity,
                                                     CFDictionaryRef ref) {
    const CFDictionaryObject* source = AsDictionary(ref);
    if (!source || (capacity != 0 && capacity < source->Count())) return nullptr;
    CFDictionaryObject* copy =
        MakeDictionary(&source->keyCallBacks, &source->valueCallBacks, true, capacity);
    if (!copy) return nullptr;
    for (const auto& [key, value] : source->entries) {
        if (!copy->Add(key, value)) {
            CFRelease(copy);
            return nullptr;
        }
    }
    return copy;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef ref) {
    const CFDictionaryObject* dictionary = AsDictionary(ref);
    return dictionary ? dictionary->Count() : 0;
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef ref, const void* key, const void** value) {
    const CFDictionaryObject* dictionary = AsDictionary(ref);
    if (!dictionary) return false;
    const auto entry = dictionary->entries.find(key);
    if (entry == dictionary->entries.end()) return false;
    if (value) *value = entry->second;
    return true;
}

const void* CFDictionaryGetValue(CFDictionaryRef dictionary, const void* key) {
    const void* value = nullptr;
    CFDictionaryGetValueIfPresent(dictionary, key, &value);
    return value;
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef ref, const void** keys, const void** values) {
    const CFDictionaryObject* dictionary = AsDictionary(ref);
    if (!dictionary) return;
    size_t i = 0;
    for (const auto& [key, value] : dictionary->entries) {
        if (keys) keys[i] = key;
        if (values) values[i] = value;
        ++i;
    }
}

void CFDictionarySetValue(CFMutableDictionaryRef ref, const void* key, const void* value) {
    CFDictionaryObject* dictionary = AsMutableDictionary(ref);
    if (dictionary) dictionary->Set(key, value);
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef ref, const void* key) {
    CFDictionaryObject* dictionary = AsMutableDictionary(ref);
    if (!dictionary) return;
    const auto entry = dictionary->entries.find(key);
    if (entry == dictionary->entries.end()) return;
    const auto [oldKey, oldValue] = *entry;
    dictionary->entries.erase(entry);
    dictionary->ReleaseValue(oldValue);
    dictionary->ReleaseKey(oldKey);
}
