#pragma once

// The state all copies of the platform library in a process share (as the Objective-C runtime
// and the window-server connection are shared on the platform); used only inside the library.
//
// Each copy looks for a published runtime with dlsym(RTLD_DEFAULT, kPlatformRuntimeSymbol) the
// first time it needs one. Executables linked with brindlex_platform export that symbol (see
// framework/platform/CMakeLists.txt), so a component loaded by such a host uses the host's
// runtime; a copy that finds none uses its own. The symbol's name carries a layout version:
// change it whenever anything below changes shape, so that copies built from different sources
// never share.

#include "AppKit.h"
#include "UTL_Mutex.h"
#include "WindowSystem.h"

#include <map>
#include <memory>
#include <pthread.h>
#include <string>
#include <vector>

#define BRINDLEX_PLATFORM_RUNTIME_SYMBOL "BrindlexPlatformRuntime_v3"

struct objc_class {
    std::string name;
    id (*createInstance)();
    std::string modulePath; // the shared object (or executable) whose code makes instances
};

// What one thread has: its autorelease pools, graphics contexts and run loop.
struct ThreadState {
    ThreadState() = default;
    ThreadState(const ThreadState&) = delete;
    ThreadState& operator=(const ThreadState&) = delete;
    ~ThreadState(); // releases what the thread left behind

    std::vector<NSAutoreleasePool*> pools;         // innermost last
    NSGraphicsContext* currentContext = nullptr;   // retained
    std::vector<NSGraphicsContext*> savedContexts; // retained; null entries allowed
    NSRunLoop* runLoop = nullptr;                  // retained (the main thread's: the runtime's)

    static NSRunLoop* MakeRunLoop(bool isMain) { return new NSRunLoop(isMain); }
};

struct PlatformRuntime {
    UTL_Mutex mutex; // guards the members below that more than one thread may reach

    std::map<std::string, objc_class*> classes; // by name; not owned

    std::unique_ptr<WindowSystem> windowSystem; // never null

    pthread_key_t threadKey{}; // ThreadState*
    bool hasThreadKey = false;
    std::vector<ThreadState*> threads; // every live thread's state

    NSRunLoop* mainRunLoop = nullptr; // kept for the life of the process

    // Main-thread state of AppKit.
    std::vector<NSWindow*> windows; // alive, in order of making; not retained
    NSInteger nextWindowNumber = 1;
    NSWindow* keyWindow = nullptr;

    std::vector<NSObject*> unpooled; // autoreleased with no pool, kept for good
};

PlatformRuntime& GetPlatformRuntime();
ThreadState& GetThreadState();
bool IsMainThread();

// A snapshot of a list of objects, each retained while the snapshot lives, for walking a list
// that the calls made on the way may change (without autoreleasing anything).
template <class T> class RetainedSnapshot {
public:
    explicit RetainedSnapshot(const std::vector<T*>& objects) : mObjects(objects) {
        for (T* object : mObjects)
            object->retain();
    }
    ~RetainedSnapshot() {
        for (T* object : mObjects)
            object->release();
    }
    RetainedSnapshot(const RetainedSnapshot&) = delete;
    RetainedSnapshot& operator=(const RetainedSnapshot&) = delete;
    auto begin() const { return mObjects.begin(); }
    auto end() const { return mObjects.end(); }

private:
    std::vector<T*> mObjects;
};

// Redraws what needs display in every visible window (the main run loop's end of a pass).
void DisplayWindowsIfNeeded();
