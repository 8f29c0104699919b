// Scalar values: numbers, booleans and dates.

#include "CFInternal.h"

#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>

struct CFNumberObject : CFObject {
    static const CFClass kClass;
    CFNumberObject(CFNumberType sizedType, SInt64 integer, double real)
        : CFObject(&kClass, 1), type(sizedType), integerValue(integer), realValue(real) {}
    bool IsFloat() const { return type == kCFNumberFloat32Type || type == kCFNumberFloat64Type; }

    CFNumberType type; // one of the sized types
    SInt64 integerValue;
    double realValue;
};

struct CFBooleanObject : CFObject {
    static const CFClass kClass;
    constexpr explicit CFBooleanObject(bool booleanValue)
        : CFObject(&kClass, kCFImmortalRetainCount), value(booleanValue) {}
    bool value;
};

struct CFDateObject : CFObject {
    static const CFClass kClass;
    explicit CFDateObject(CFAbsoluteTime absoluteTime) : CFObject(&kClass, 1), time(absoluteTime) {}
    CFAbsoluteTime time;
};

namespace {

// The sized type a C type is stored as; 0 for anything that is not a number type.
CFNumberType SizedType(CFNumberType type) {
    switch (type) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType:
        return kCFNumberSInt8Type;
    case kCFNumberSInt16Type:
    case kCFNumberShortType:
        return kCFNumberSInt16Type;
    case kCFNumberSInt32Type:
    case kCFNumberIntType:
        return kCFNumberSInt32Type;
    case kCFNumberSInt64Type:
    case kCFNumberLongType:
    case kCFNumberLongLongType:
    case kCFNumberCFIndexType:
    case kCFNumberNSIntegerType:
        return kCFNumberSInt64Type;
    case kCFNumberFloat32Type:
    case kCFNumberFloatType:
        return kCFNumberFloat32Type;
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType:
    case kCFNumberCGFloatType:
        return kCFNumberFloat64Type;
    default:
        return 0;
    }
}

template <class T> T Load(const void* valuePtr) {
    T value;
    std::memcpy(&value, valuePtr, sizeof value);
    return value;
}

template <class T> void Store(void* valuePtr, T value) {
    std::memcpy(valuePtr, &value, sizeof value);
}

// Converts to an integer type, clamping; true when nothing was lost.
template <class T> bool ToInteger(const CFNumberObject* number, void* valuePtr) {
    constexpr auto kMin = std::numeric_limits<T>::min();
    constexpr auto kMax = std::numeric_limits<T>::max();
    if (!number->IsFloat()) {
        const SInt64 value = number->integerValue;
        Store<T>(valuePtr, static_cast<T>(value < kMin ? kMin : value > kMax ? kMax : value));
        return value >= kMin && value <= kMax;
    }
    const double value = number->realValue;
    if (std::isnan(value)) {
        Store<T>(valuePtr, T(0));
        return false;
    }
    // kMax + 1 is a power of two and so exact as a double, unlike kMax for 64 bits.
    const double limit = std::ldexp(1.0, std::numeric_limits<T>::digits);
    if (value < static_cast<double>(kMin) || value >= limit) {
        Store<T>(valuePtr, value < 0 ? kMin : kMax);
        return false;
    }
    const T converted = static_cast<T>(value);
    Store<T>(valuePtr, converted);
    return static_cast<double>(converted) == value;
}

bool ToFloat32(const CFNumberObject* number, void* valuePtr) {
    if (!number->IsFloat()) {
        const auto converted = static_cast<float>(number->integerValue);
        Store(valuePtr, converted);
        return static_cast<long double>(converted) ==
               static_cast<long double>(number->integerValue);
    }
    const double value = number->realValue;
    if (std::isfinite(value) && std::fabs(value) > FLT_MAX) {
        Store(valuePtr, value < 0 ? -FLT_MAX : FLT_MAX);
        return false;
    }
    const auto converted = static_cast<float>(value);
    Store(valuePtr, converted);
    return std::isnan(value) || static_cast<double>(converted) == value;
}

bool ToFloat64(const CFNumberObject* number, void* valuePtr) {
    if (!number->IsFloat()) {
        const auto converted = static_cast<double>(number->integerValue);
        Store(valuePtr, converted);
        return static_cast<long double>(converted) ==
               static_cast<long double>(number->integerValue);
    }
    Store(valuePtr, number->realValue);
    return true;
}

long double AsLongDouble(const CFNumberObject* number) {
    return number->IsFloat() ? static_cast<long double>(number->realValue)
                             : static_cast<long double>(number->integerValue);
}

CFComparisonResult CompareNumbers(const CFNumberObject* a, const CFNumberObject* b) {
    if (!a->IsFloat() && !b->IsFloat())
        return a->integerValue < b->integerValue   ? kCFCompareLessThan
               : a->integerValue > b->integerValue ? kCFCompareGreaterThan
                                                   : kCFCompareEqualTo;
    const long double valueA = AsLongDouble(a);
    const long double valueB = AsLongDouble(b);
    // NaN sorts below every other number and equals itself.
    if (std::isnan(valueA) || std::isnan(valueB))
        return std::isnan(valueA) ? (std::isnan(valueB) ? kCFCompareEqualTo : kCFCompareLessThan)
                                  : kCFCompareGreaterThan;
    return valueA < valueB   ? kCFCompareLessThan
           : valueA > valueB ? kCFCompareGreaterThan
                             : kCFCompareEqualTo;
}

bool NumberEqual(const CFObject* a, const CFObject* b) {
    return CompareNumbers(static_cast<const CFNumberObject*>(a),
                          static_cast<const CFNumberObject*>(b)) == kCFCompareEqualTo;
}

// Numbers that compare equal hash equally: integral floats hash as the integer.
CFHashCode NumberHash(const CFObject* object) {
    const auto* number = static_cast<const CFNumberObject*>(object);
    if (!number->IsFloat()) return static_cast<CFHashCode>(number->integerValue);
    const double value = number->realValue;
    if (std::isnan(value)) return 0x7ff8000000000000ull;
    if (value == std::trunc(value) && value >= -0x1p63 && value < 0x1p63)
        return static_cast<CFHashCode>(static_cast<SInt64>(value));
    UInt64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The shortest of %.Ng that reads back as the same value.
void AppendReal(std::string& text, double value, bool single) {
    char buffer[40];
    const int shortDigits = single ? 6 : 15;
    const int longDigits = single ? 9 : 17;
    std::snprintf(buffer, sizeof buffer, "%.*g", shortDigits, value);
    const double back = std::strtod(buffer, nullptr);
    const bool same =
        single ? static_cast<float>(back) == static_cast<float>(value) : back == value;
    if (!same && !std::isnan(value))
        std::snprintf(buffer, sizeof buffer, "%.*g", longDigits, value);
    text += buffer;
}

void NumberDescribe(const CFObject* object, std::string& text) {
    const auto* number = static_cast<const CFNumberObject*>(object);
    if (number->IsFloat()) {
        AppendReal(text, number->realValue, number->type == kCFNumberFloat32Type);
    } else {
        char buffer[24];
        std::snprintf(buffer, sizeof buffer, "%" PRId64, number->integerValue);
        text += buffer;
    }
}

const CFNumberObject* AsNumber(CFNumberRef number) {
    return CFCast<CFNumberObject>(number, kCFNumberTypeID);
}

bool BooleanEqual(const CFObject* a, const CFObject* b) {
    return static_cast<const CFBooleanObject*>(a)->value ==
           static_cast<const CFBooleanObject*>(b)->value;
}

CFHashCode BooleanHash(const CFObject* object) {
    return static_cast<const CFBooleanObject*>(object)->value ? 1 : 0;
}

void BooleanDescribe(const CFObject* object, std::string& text) {
    text += static_cast<const CFBooleanObject*>(object)->value ? "true" : "false";
}

void NeverDestroy(CFObject*) {}

bool DateEqual(const CFObject* a, const CFObject* b) {
    return static_cast<const CFDateObject*>(a)->time == static_cast<const CFDateObject*>(b)->time;
}

CFHashCode DateHash(const CFObject* object) {
    const double time = static_cast<const CFDateObject*>(object)->time;
    UInt64 bits;
    std::memcpy(&bits, &time, sizeof bits);
    return bits;
}

// "2001-01-01 00:00:00 +0000"; times a calendar cannot hold are shown in seconds.
void DateDescribe(const CFObject* object, std::string& text) {
    const double seconds = std::floor(static_cast<const CFDateObject*>(object)->time +
                                      kCFAbsoluteTimeIntervalSince1970);
    char buffer[64];
    std::tm utc{};
    if (std::isfinite(seconds) && std::fabs(seconds) < 1e15) {
        const auto unixTime = static_cast<std::time_t>(seconds);
        if (gmtime_r(&unixTime, &utc) &&
            std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &utc) > 0) {
            text += buffer;
            return;
        }
    }
    std::snprintf(buffer, sizeof buffer, "%g s", static_cast<const CFDateObject*>(object)->time);
    text += buffer;
}

CFBooleanObject gTrue{true};
CFBooleanObject gFalse{false};

} // namespace

const CFClass CFNumberObject::kClass{kCFNumberTypeID, "CFNumber", CFDelete<CFNumberObject>,
                                     NumberEqual,     NumberHash, NumberDescribe};
const CFClass CFBooleanObject::kClass{kCFBooleanTypeID, "CFBoolean", NeverDestroy,
                                      BooleanEqual,     BooleanHash, BooleanDescribe};
const CFClass CFDateObject::kClass{kCFDateTypeID, "CFDate", CFDelete<CFDateObject>,
                                   DateEqual,     DateHash, DateDescribe};

const CFBooleanRef kCFBooleanTrue = &gTrue;
const CFBooleanRef kCFBooleanFalse = &gFalse;

CFTypeID CFNumberGetTypeID() {
    return kCFNumberTypeID;
}

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType type, const void* valuePtr) {
    const CFNumberType sized = SizedType(type);
    if (!sized || !valuePtr) return nullptr;
    switch (sized) {
    case kCFNumberSInt8Type:
        return CFNew<CFNumberObject>(sized, Load<SInt8>(valuePtr), 0.0);
    case kCFNumberSInt16Type:
        return CFNew<CFNumberObject>(sized, Load<SInt16>(valuePtr), 0.0);
    case kCFNumberSInt32Type:
        return CFNew<CFNumberObject>(sized, Load<SInt32>(valuePtr), 0.0);
    case kCFNumberSInt64Type:
        return CFNew<CFNumberObject>(sized, Load<SInt64>(valuePtr), 0.0);
    case kCFNumberFloat32Type:
        return CFNew<CFNumberObject>(sized, 0, static_cast<double>(Load<Float32>(valuePtr)));
    default:
        return CFNew<CFNumberObject>(sized, 0, Load<Float64>(valuePtr));
    }
}

Boolean CFNumberIsFloatType(CFNumberRef ref) {
    const CFNumberObject* number = AsNumber(ref);
    return number && number->IsFloat();
}

Boolean CFNumberGetValue(CFNumberRef ref, CFNumberType type, void* valuePtr) {
    const CFNumberObject* number = AsNumber(ref);
    if (!number || !valuePtr) return false;
    switch (SizedType(type)) {
    case kCFNumberSInt8Type:
        return ToInteger<SInt8>(number, valuePtr);
    case kCFNumberSInt16Type:
        return ToInteger<SInt16>(number, valuePtr);
    case kCFNumberSInt32Type:
        return ToInteger<SInt32>(number, valuePtr);
    case kCFNumberSInt64Type:
        return ToInteger<SInt64>(number, valuePtr);
    case kCFNumberFloat32Type:
        return ToFloat32(number, valuePtr);
    case kCFNumberFloat64Type:
        return ToFloat64(number, valuePtr);
    default:
        return false;
    }
}

Boolean CFBooleanGetValue(CFBooleanRef ref) {
    const auto* boolean = CFCast<CFBooleanObject>(ref, kCFBooleanTypeID);
    return boolean && boolean->value;
}

CFDateRef CFDateCreate(CFAllocatorRef, CFAbsoluteTime time) {
    return CFNew<CFDateObject>(time);
}

CFAbsoluteTime CFDateGetAbsoluteTime(CFDateRef ref) {
    const auto* date = CFCast<CFDateObject>(ref, kCFDateTypeID);
    return date ? date->time : 0.0;
}
