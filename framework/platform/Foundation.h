#pragma once

// Foundation for Linux, as C++: the object model, strings, arrays, dates, timers, run loops,
// URLs, bundles, search paths and classes looked up by name, under the platform's published
// names and values. AppKit.h builds on it.
//
// How Objective-C maps to C++ here (AppKit.h follows the same rules):
// - A class is a C++ class with the published name, deriving from NSObject; a protocol is an
//   abstract class. `id` is NSObject*.
// - A method is a member function named after the first keyword of its selector, taking the
//   arguments in selector order: [view addSubview:v] is view->addSubview(v), [window
//   initWithContentRect:r styleMask:m backing:b defer:d] is window->initWithContentRect(r, m, b,
//   d). Selectors that differ only in later keywords overload by their arguments
//   (runModalForDirectory:file: and runModalForDirectory:file:types:); where that cannot tell
//   them apart the later keywords are appended (convertPoint:fromView: is convertPointFromView,
//   convertPoint:toView: is convertPointToView). Class methods are static members; properties
//   are a getter named after the property and a setter named set<Property>.
// - [[X alloc] init] is `new X`; [[X alloc] initWithA:a] is `(new X)->initWithA(a)`. An init
//   method returns the object, or releases it and returns null when its arguments are unusable.
// - Reference counting is the platform's: an object made with new or a copy is owned by the
//   caller with a retain count of 1; release() frees it when the count reaches 0 (objects are
//   never deleted directly). Convenience constructors (NSString::stringWithUTF8String,
//   NSArray::array, ...) answer autoreleased objects, released when the innermost
//   NSAutoreleasePool of the thread goes; run loops put one around every timer they fire.
// - Selectors passed as values (performSelector:withObject:afterDelay:, timers with a target)
//   are member-function pointers; blocks are std::function.
// - BOOL is bool; nil is nullptr. Messages to null objects are the caller's to avoid, but every
//   object argument may be null: such calls do nothing and answer null, 0 or NO, where the
//   platform would raise an exception.
//
// Objects made by one copy of the platform library (a component has its own) are usable by any
// other in the process while the module that made them stays loaded, and the process-wide state
// (the class registry, run loops, autorelease pools, the window system) is shared: see
// NS_REGISTER_CLASS below.

#include "CoreFoundation.h"
#include "CoreGraphics.h"

#include <atomic>
#include <climits>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <memory>
#include <type_traits>
#include <vector>

// ---- Basic types ---------------------------------------------------------------------------

typedef bool BOOL;
inline constexpr BOOL YES = true;
typedef long NSInteger;
typedef unsigned long NSUInteger;
typedef double NSTimeInterval;

struct NSRange {
    NSUInteger location;
    NSUInteger length;
};

// ---- Geometry ------------------------------------------------------------------------------

typedef CGPoint NSPoint;
typedef CGSize NSSize;
typedef CGRect NSRect;

inline NSPoint NSMakePoint(CGFloat x, CGFloat y) {
    return CGPointMake(x, y);
}
inline NSSize NSMakeSize(CGFloat width, CGFloat height) {
    return CGSizeMake(width, height);
}
inline NSRect NSMakeRect(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
    return CGRectMake(x, y, width, height);
}
extern const NSPoint NSZeroPoint;
extern const NSRect NSZeroRect;

inline CGFloat NSMinX(NSRect rect) {
    return rect.origin.x;
}
inline CGFloat NSMinY(NSRect rect) {
    return rect.origin.y;
}
inline CGFloat NSMaxX(NSRect rect) {
    return rect.origin.x + rect.size.width;
}
inline CGFloat NSMaxY(NSRect rect) {
    return rect.origin.y + rect.size.height;
}
// No area (a zero or negative width or height).
bool NSIsEmptyRect(NSRect rect);
bool NSEqualRects(NSRect a, NSRect b);
bool NSEqualPoints(NSPoint a, NSPoint b);
bool NSEqualSizes(NSSize a, NSSize b);
// In a flipped coordinate system the minimum y edge is inside and the maximum outside; in an
// unflipped one the other way round, so that a pixel belongs to exactly one rectangle.
bool NSMouseInRect(NSPoint point, NSRect rect, bool flipped);
bool NSContainsRect(NSRect outer, NSRect inner);
bool NSIntersectsRect(NSRect a, NSRect b);
NSRect NSIntersectionRect(NSRect a, NSRect b); // NSZeroRect when they do not meet
NSRect NSUnionRect(NSRect a, NSRect b);        // an empty rectangle adds nothing

// ---- Objects -------------------------------------------------------------------------------

class NSObject;
class NSString;
struct ThreadState;
typedef NSObject* id;

namespace foundation_detail {
// Runs call(argument) on the current thread's run loop after the delay, keeping target and
// argument retained until then.
void SchedulePerform(NSObject* target, NSObject* argument, NSTimeInterval delay,
                     std::function<void(NSObject*)> call);
} // namespace foundation_detail

class NSObject {
public:
    NSObject() noexcept : mRetainCount(1) {}
    NSObject(const NSObject&) = delete;
    NSObject& operator=(const NSObject&) = delete;

    id retain();
    void release();
    // Hands one reference to the thread's innermost autorelease pool. Without a pool the
    // object is kept for the life of the process (and a trace line says so), as the platform
    // leaks it.
    id autorelease();

    virtual bool isEqual(id object) const; // identity
    virtual NSUInteger hash() const;       // the address
    virtual NSString* description() const; // "<ClassName: 0x...>"

    // performSelector:withObject:afterDelay: on the current thread's run loop, in the default
    // mode. Nothing happens when this object is not a T.
    template <class T>
    void performSelector(void (T::*selector)(id), id argument, NSTimeInterval delay) {
        static_assert(std::is_base_of_v<NSObject, T>, "selectors belong to NSObject classes");
        T* target = dynamic_cast<T*>(this);
        if (!target || !selector) return;
        foundation_detail::SchedulePerform(
            this, argument, delay, [target, selector](id object) { (target->*selector)(object); });
    }
    // Cancels every delayed perform of the current thread's run loop aimed at target.
    static void cancelPreviousPerformRequestsWithTarget(id target);

protected:
    struct ImmortalTag {};
    static constexpr long kImmortalRetainCount = LONG_MAX;
    // An object that is never freed: retain and release do nothing.
    constexpr explicit NSObject(ImmortalTag) noexcept : mRetainCount(kImmortalRetainCount) {}
    virtual ~NSObject(); // dealloc

private:
    mutable std::atomic<long> mRetainCount;
};

// ---- Classes by name -----------------------------------------------------------------------
//
// A module registers its classes with NS_REGISTER_CLASS at load time (and they are removed
// when it unloads); a host finds them by name and makes instances, as the Objective-C runtime
// does for every class. The registry is process-wide: it lives in the first copy of the
// platform library that publishes it, which is any executable linked with brindlex_platform (the
// build exports the symbol from executables), so a class registered by a loaded component's own
// copy is found by the host's. Without such an executable each copy has its own registry.

typedef const struct objc_class* Class;

// Null for an unknown name; for a name registered twice the first registration stands.
Class NSClassFromString(NSString* name);
Class objc_getClass(const char* name);
// A new instance ([[cls alloc] init]) owned by the caller; extraBytes must be 0.
id class_createInstance(Class cls, size_t extraBytes);

class NSClassRegistration {
public:
    NSClassRegistration(const char* name, id (*createInstance)());
    ~NSClassRegistration();
    NSClassRegistration(const NSClassRegistration&) = delete;
    NSClassRegistration& operator=(const NSClassRegistration&) = delete;

private:
    struct objc_class* mClass;
    bool mRegistered;
};

// Registers the class (which needs a default constructor) under its own name, at namespace
// scope in one source file of the module that defines it.
#define NS_REGISTER_CLASS(ClassName)                                                               \
    static const NSClassRegistration ClassName##_registration(                                     \
        #ClassName, []() -> id { return new ClassName; })

// ---- Strings -------------------------------------------------------------------------------

template <class ObjectType> class NSArray;

typedef NSUInteger NSStringEncoding;

// Immutable Unicode text held as UTF-8. Lengths and ranges count UTF-16 code units, as on the
// platform.
class NSString : public NSObject {
public:
    NSString() = default; // empty
    // Null (the object released) for null or invalid UTF-8.
    NSString* initWithUTF8String(const char* text);

    static NSString* string();
    static NSString* stringWithUTF8String(const char* text);

    const char* UTF8String() const;
    NSUInteger length() const;
    // Empty separator or none found: one component, the whole string.
    NSArray<NSString*>* componentsSeparatedByString(NSString* separator) const;

    NSString* lastPathComponent() const;                 // "/a/b.png/" -> "b.png"
    NSString* stringByDeletingLastPathComponent() const; // "/a/b" -> "/a", "/a" -> "/"
    NSString* stringByDeletingPathExtension() const;     // "/a/b.png" -> "/a/b"
    // "~" and "~/..." become the home folder (NSHomeDirectory), "~user/..." that user's; other
    // paths are answered unchanged.
    NSString* stringByExpandingTildeInPath() const;

    bool isEqual(id object) const override; // equal text
    NSUInteger hash() const override;
    NSString* description() const override; // itself

protected:
    constexpr NSString(ImmortalTag tag, const char* text, size_t size) noexcept
        : NSObject(tag), mText(text), mSize(size) {}
    ~NSString() override;

private:
    const char* mText = "";
    size_t mSize = 0;
    std::unique_ptr<char[]> mStorage;
};

// A string over a literal, usable as a constant before the program's own initialisation runs.
class NSConstantString : public NSString {
public:
    template <size_t N>
    constexpr explicit NSConstantString(const char (&literal)[N]) noexcept
        : NSString(ImmortalTag{}, literal, N - 1) {}
    ~NSConstantString() override = default;
};

// The stand-in for an @"text" literal: one constant string per use site.
#define NSSTR(text)                                                                                \
    ([]() -> NSString* {                                                                           \
        static NSConstantString constant{"" text ""};                                              \
        return &constant;                                                                          \
    }())

// ---- Arrays --------------------------------------------------------------------------------

// An ordered list of objects of one class (the platform's lightweight generics), each retained
// while in the list. Indexes past the end answer null where the platform would raise.
template <class ObjectType> class NSArray : public NSObject {
    static_assert(std::is_pointer_v<ObjectType> &&
                      std::is_base_of_v<NSObject, std::remove_pointer_t<ObjectType>>,
                  "arrays hold object pointers");

public:
    NSArray() = default;
    static NSArray* array() { return Autoreleased(new NSArray); }

    NSUInteger count() const { return mObjects.size(); }
    ObjectType objectAtIndex(NSUInteger index) const {
        return index < mObjects.size() ? mObjects[index] : nullptr;
    }
    ObjectType firstObject() const { return mObjects.empty() ? nullptr : mObjects.front(); }
    // Fast enumeration: for (NSView* view : *array).
    auto begin() const { return mObjects.begin(); }
    auto end() const { return mObjects.end(); }

protected:
    ~NSArray() override {
        for (ObjectType object : mObjects)
            object->release();
    }
    template <class A> static A* Autoreleased(A* array) {
        array->autorelease();
        return array;
    }
    void Append(ObjectType object) {
        if (!object) return;
        mObjects.push_back(object);
        object->retain();
    }

    std::vector<ObjectType> mObjects;
};

template <class ObjectType> class NSMutableArray : public NSArray<ObjectType> {
    using Base = NSArray<ObjectType>;

public:
    static NSMutableArray* array() { return Base::Autoreleased(new NSMutableArray); }
    void addObject(ObjectType object) { Base::Append(object); }
};

// ---- Dates ---------------------------------------------------------------------------------

// A moment on the window system's clock, in seconds since the reference date (2001-01-01 UTC).
// The headless window system's clock is virtual: it starts at 0 and moves only when a run loop
// waits (or a test advances it), so that timers fire at exact, repeatable times.
class NSDate : public NSObject {
public:
    NSDate(); // now
    static NSDate* date();
    static NSDate* dateWithTimeIntervalSinceNow(NSTimeInterval seconds);
    static NSDate* dateWithTimeIntervalSinceReferenceDate(NSTimeInterval seconds);
    NSTimeInterval timeIntervalSinceReferenceDate() const { return mTime; }
    bool isEqual(id object) const override;

private:
    explicit NSDate(NSTimeInterval time) : mTime(time) {}
    NSTimeInterval mTime;
};

// ---- Autorelease pools ---------------------------------------------------------------------

// Made with new: becomes the innermost pool of the thread. Releasing (or draining) it releases
// every object handed to it, then any pool made inside it that is still there. Pools are not
// retained or autoreleased.
class NSAutoreleasePool : public NSObject {
public:
    NSAutoreleasePool();
    static void addObject(id object); // to the innermost pool: [object autorelease]

protected:
    ~NSAutoreleasePool() override;

private:
    friend class NSObject;
    ThreadState* mThread; // null once taken off its thread's list
    std::vector<NSObject*> mObjects;
};

// ---- Timers and run loops ------------------------------------------------------------------

typedef NSString* NSRunLoopMode;
extern NSString* const NSDefaultRunLoopMode;
// Stands for every mode: timers added for it fire in any mode.
extern NSString* const NSRunLoopCommonModes;

class NSRunLoop;

// Fires on the run loop it is scheduled on. A repeating timer keeps its schedule: it fires at
// its first date plus whole intervals, and when it is late it fires once and skips the dates it
// missed. An interval of 0 or less is taken as 0.1 ms, as on the platform.
class NSTimer : public NSObject {
public:
    static NSTimer* timerWithTimeInterval(NSTimeInterval interval, bool repeats,
                                          std::function<void(NSTimer*)> block);
    // The same, added to the current run loop in the default mode.
    static NSTimer* scheduledTimerWithTimeInterval(NSTimeInterval interval, bool repeats,
                                                   std::function<void(NSTimer*)> block);
    // scheduledTimerWithTimeInterval:target:selector:userInfo:repeats:. The timer retains the
    // target and userInfo until it is invalidated.
    template <class T>
    static NSTimer* scheduledTimerWithTimeInterval(NSTimeInterval interval, T* target,
                                                   void (T::*selector)(NSTimer*), id userInfo,
                                                   bool repeats) {
        static_assert(std::is_base_of_v<NSObject, T>, "targets are objects");
        if (!target || !selector) return nullptr;
        NSTimer* timer = scheduledTimerWithTimeInterval(
            interval, repeats, [target, selector](NSTimer* fired) { (target->*selector)(fired); });
        if (timer) timer->Keep(target, userInfo);
        return timer;
    }

    // Removes the timer from its run loop; it never fires again.
    void invalidate();
    // Runs the callback now; the schedule of a repeating timer is unchanged, a one-shot timer
    // is invalidated.
    void fire();
    id userInfo() const { return mUserInfo; }

protected:
    ~NSTimer() override;

private:
    friend class NSRunLoop;
    friend void foundation_detail::SchedulePerform(NSObject*, NSObject*, NSTimeInterval,
                                                   std::function<void(NSObject*)>);
    NSTimer(NSTimeInterval interval, bool repeats, std::function<void(NSTimer*)> block);
    void Keep(NSObject* target, NSObject* userInfo);
    void ReleaseCallback();

    NSTimeInterval mInterval;
    bool mRepeats;
    bool mValid = true;
    bool mFiring = false;
    NSTimeInterval mFireTime = 0;
    unsigned long mSequence = 0; // orders timers due at the same moment
    std::function<void(NSTimer*)> mCallback;
    NSObject* mTarget = nullptr;        // retained
    NSObject* mUserInfo = nullptr;      // retained
    NSObject* mPerformTarget = nullptr; // the target of a delayed perform, for cancelling
    NSRunLoop* mRunLoop = nullptr;
    std::vector<NSString*> mModes;
};

// One per thread. Input comes from timers and, on the main thread, from the window system,
// which is also where the run loop waits (see WindowSystem.h): the headless one waits by moving
// its virtual clock, so running the main run loop until a date advances time to that date,
// firing every timer due on the way in order of fire date (ties in the order they were
// scheduled). After each pass the main run loop redraws the views of visible windows that
// need display.
class NSRunLoop : public NSObject {
public:
    static NSRunLoop* currentRunLoop();
    static NSRunLoop* mainRunLoop();

    // A timer belongs to one run loop; adding it to another does nothing.
    void addTimer(NSTimer* timer, NSString* mode);
    // Runs the loop once: fires the timers due in the mode, or else waits for the next one (or
    // for input) no later than limitDate and fires what is then due. NO, without waiting, when
    // nothing could ever arrive (no timers in the mode and no window system input).
    bool runMode(NSString* mode, NSDate* limitDate);
    // Runs passes in the default mode until limitDate (or until nothing could arrive).
    void runUntilDate(NSDate* limitDate);
    void cancelPerformSelectorsWithTarget(id target);

    // Not on the platform: the timers scheduled here, for tests and diagnostics.
    NSUInteger scheduledTimerCount() const { return mTimers.size(); }

protected:
    ~NSRunLoop() override;

private:
    friend class NSTimer;
    friend struct ThreadState;
    explicit NSRunLoop(bool isMain) : mIsMain(isMain) {}
    void Remove(NSTimer* timer);
    NSTimer* NextDue(NSString* mode, NSTimeInterval now) const;
    bool HasTimersIn(NSString* mode) const;
    NSTimeInterval EarliestFireTime(NSString* mode) const;
    void Fire(NSTimer* timer);

    bool mIsMain;
    std::vector<NSTimer*> mTimers; // retained
    unsigned long mNextSequence = 0;
    NSString* mCurrentMode = nullptr;
};

// ---- URLs ----------------------------------------------------------------------------------

class NSURL : public NSObject {
public:
    // Null for null, empty or malformed text: characters outside those a URL may hold (spaces,
    // quotes, angle brackets, non-ASCII...), a "%" not followed by two hex digits, or a second
    // "#".
    static NSURL* URLWithString(NSString* text);
    // A file URL for an absolute path (a relative one is taken from the current folder).
    static NSURL* fileURLWithPath(NSString* path);
    static NSURL* fileURLWithPath(NSString* path, bool isDirectory);

    NSString* absoluteString() const;
    // The path, percent-decoded: the file path of a file URL.
    NSString* path() const;
    bool isEqual(id object) const override;
    NSString* description() const override;

protected:
    ~NSURL() override;

private:
    explicit NSURL(NSString* text) : mText(text) {}
    NSString* mText; // retained
};

// ---- Bundles -------------------------------------------------------------------------------

// A bundle (see CFBundle in CoreFoundation.h). Bundle objects live as long as the process.
class NSBundle : public NSObject {
public:
    // A loaded bundle with the identifier; null when none.
    static NSBundle* bundleWithIdentifier(NSString* identifier);
    // Null when the folder does not exist.
    static NSBundle* bundleWithPath(NSString* path);

    NSString* bundlePath() const;
    NSString* executablePath() const; // null when the bundle has no executable
    // The full path of Contents/Resources/[directory/]name.type when it exists; null otherwise.
    NSString* pathForResource(NSString* name, NSString* type) const;
    NSString* pathForResource(NSString* name, NSString* type, NSString* directory) const;
    // A registered class whose code lies in this bundle's executable; null otherwise.
    Class classNamed(NSString* name) const;

protected:
    ~NSBundle() override;

private:
    explicit NSBundle(CFBundleRef bundle);
    static NSBundle* ForCFBundle(CFBundleRef bundle);
    CFBundleRef mBundle; // retained
};

// ---- Standard folders ----------------------------------------------------------------------

typedef NSUInteger NSSearchPathDirectory;
enum : NSSearchPathDirectory {
    NSApplicationDirectory = 1,
    NSLibraryDirectory = 5,
    NSUserDirectory = 7,
    NSDocumentDirectory = 9,
    NSDesktopDirectory = 12,
    NSCachesDirectory = 13,
    NSApplicationSupportDirectory = 14,
    NSDownloadsDirectory = 15,
    NSMusicDirectory = 18,
};
typedef NSUInteger NSSearchPathDomainMask;
enum : NSSearchPathDomainMask {
    NSUserDomainMask = 1,
    NSLocalDomainMask = 2,
    NSNetworkDomainMask = 4,
    NSSystemDomainMask = 8,
    NSAllDomainsMask = 0x0ffff,
};

// The folders of that kind in the domains asked for, in the order user, local, network, system,
// laid out as on the platform (~/Library/Application Support, /Library/Application Support...)
// whether or not they exist; user folders start with "~" unless expandTilde. Kinds a domain
// does not have are left out.
NSArray<NSString*>* NSSearchPathForDirectoriesInDomains(NSSearchPathDirectory directory,
                                                        NSSearchPathDomainMask domainMask,
                                                        bool expandTilde);
// The HOME environment variable when set, else the user's entry in the password database.
NSString* NSHomeDirectory();
