// Reference counting, autorelease pools and object descriptions.

#include "PlatformRuntime.h"
#include "Trace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace {

// The readable name of an object's class.
std::string ClassName(const NSObject& object) {
    const char* mangled = typeid(object).name();
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && demangled ? demangled.get() : mangled;
}

} // namespace

NSObject::~NSObject() = default;

id NSObject::retain() {
    if (mRetainCount.load(std::memory_order_relaxed) != kImmortalRetainCount)
        mRetainCount.fetch_add(1, std::memory_order_relaxed);
    return this;
}

void NSObject::release() {
    if (mRetainCount.load(std::memory_order_relaxed) == kImmortalRetainCount) return;
    // Acquire-release so that the thread that frees the object sees every write made to it.
    if (mRetainCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

id NSObject::autorelease() {
    if (mRetainCount.load(std::memory_order_relaxed) == kImmortalRetainCount) return this;
    ThreadState& thread = GetThreadState();
    if (!thread.pools.empty()) {
        thread.pools.back()->mObjects.push_back(this);
        return this;
    }
    TRACE("%s autoreleased with no pool in place: kept for good", ClassName(*this).c_str());
    PlatformRuntime& runtime = GetPlatformRuntime();
    UTL_MutexLock lock(&runtime.mutex);
    runtime.unpooled.push_back(this);
    return this;
}

bool NSObject::isEqual(id object) const {
    return object == this;
}

NSUInteger NSObject::hash() const {
    return reinterpret_cast<NSUInteger>(this);
}

NSString* NSObject::description() const {
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    const std::string text = "<" + ClassName(*this) + ": " + address + ">";
    return NSString::stringWithUTF8String(text.c_str());
}

// ---- Autorelease pools ---------------------------------------------------------------------

NSAutoreleasePool::NSAutoreleasePool() : mThread(&GetThreadState()) {
    mThread->pools.push_back(this);
}

NSAutoreleasePool::~NSAutoreleasePool() {
    if (mThread) {
        // Pools made inside this one and still open go first.
        std::vector<NSAutoreleasePool*>& pools = mThread->pools;
        while (!pools.empty() && pools.back() != this) {
            NSAutoreleasePool* inner = pools.back();
            pools.pop_back();
            inner->mThread = nullptr;
            inner->release();
        }
    }
    // Objects freed here may autorelease others into this pool, so drain until it stays empty.
    while (!mObjects.empty()) {
        std::vector<NSObject*> objects;
        objects.swap(mObjects);
        for (NSObject* object : objects)
            object->release();
    }
    if (mThread) {
        std::vector<NSAutoreleasePool*>& pools = mThread->pools;
        pools.erase(std::remove(pools.begin(), pools.end(), this), pools.end());
    }
}

void NSAutoreleasePool::addObject(id object) {
    if (object) object->autorelease();
}
