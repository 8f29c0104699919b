// Finding the process-wide runtime, per-thread state, the class registry and the window system
// in use.

#include "PlatformRuntime.h"
#include "Trace.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

namespace {

// Everything the runtime holds for good is made here, by the copy that publishes it, so that no
// object of a component that may be unloaded ends up in it.
PlatformRuntime* MakeRuntime() {
    auto* runtime = new PlatformRuntime;
    runtime->hasThreadKey = pthread_key_create(&runtime->threadKey, [](void* state) {
                                delete static_cast<ThreadState*>(state);
                            }) == 0;
    runtime->windowSystem = std::make_unique<HeadlessWindowSystem>();
    runtime->mainRunLoop = ThreadState::MakeRunLoop(true);
    return runtime;
}

} // namespace

// The published runtime of this copy. It is never destroyed, so that modules unloading during
// the process's exit can still unregister from it.
extern "C" __attribute__((visibility("default"))) PlatformRuntime* BrindlexPlatformRuntime_v3() {
    static PlatformRuntime* const runtime = MakeRuntime();
    return runtime;
}

PlatformRuntime& GetPlatformRuntime() {
    static PlatformRuntime* const runtime = [] {
        using Publisher = PlatformRuntime* (*)();
        auto published =
            reinterpret_cast<Publisher>(dlsym(RTLD_DEFAULT, BRINDLEX_PLATFORM_RUNTIME_SYMBOL));
        return published ? published() : BrindlexPlatformRuntime_v3();
    }();
    return *runtime;
}

bool IsMainThread() {
    return gettid() == getpid();
}

ThreadState::~ThreadState() {
    // Pools left open release their objects, innermost first (releasing a pool takes it off
    // this list).
    while (!pools.empty())
        pools.back()->release();
    if (currentContext) currentContext->release();
    for (NSGraphicsContext* context : savedContexts)
        if (context) context->release();
    if (runLoop) runLoop->release();
    PlatformRuntime& runtime = GetPlatformRuntime();
    UTL_MutexLock lock(&runtime.mutex);
    runtime.threads.erase(std::remove(runtime.threads.begin(), runtime.threads.end(), this),
                          runtime.threads.end());
}

ThreadState& GetThreadState() {
    PlatformRuntime& runtime = GetPlatformRuntime();
    if (!runtime.hasThreadKey) {
        // Only when the system ran out of thread keys: this copy's own state, never released.
        static thread_local ThreadState* fallback = new ThreadState;
        return *fallback;
    }
    auto* state = static_cast<ThreadState*>(pthread_getspecific(runtime.threadKey));
    if (!state) {
        state = new ThreadState;
        pthread_setspecific(runtime.threadKey, state);
        UTL_MutexLock lock(&runtime.mutex);
        runtime.threads.push_back(state);
    }
    return *state;
}

// ---- The window system ---------------------------------------------------------------------

WindowSystem& GetWindowSystem() {
    PlatformRuntime& runtime = GetPlatformRuntime();
    UTL_MutexLock lock(&runtime.mutex);
    return *runtime.windowSystem;
}

std::unique_ptr<WindowSystem> SetWindowSystem(std::unique_ptr<WindowSystem> windowSystem) {
    PlatformRuntime& runtime = GetPlatformRuntime();
    if (!windowSystem) windowSystem = std::make_unique<HeadlessWindowSystem>();
    UTL_MutexLock lock(&runtime.mutex);
    std::swap(runtime.windowSystem, windowSystem);
    return windowSystem;
}

HeadlessWindowSystem* GetHeadlessWindowSystem() {
    return dynamic_cast<HeadlessWindowSystem*>(&GetWindowSystem());
}

// ---- Classes by name -----------------------------------------------------------------------

NSClassRegistration::NSClassRegistration(const char* name, id (*createInstance)())
    : mClass(nullptr), mRegistered(false) {
    if (!name || !*name || !createInstance) return;
    mClass = new objc_class{name, createInstance, std::string()};
    // The module whose code makes instances; the main program may be reported by the name it
    // was started with, which need not resolve.
    Dl_info info{};
    char resolved[PATH_MAX];
    if (dladdr(reinterpret_cast<void*>(createInstance), &info) && info.dli_fname &&
        realpath(info.dli_fname, resolved))
        mClass->modulePath = resolved;
    else if (realpath("/proc/self/exe", resolved))
        mClass->modulePath = resolved;
    PlatformRuntime& runtime = GetPlatformRuntime();
    UTL_MutexLock lock(&runtime.mutex);
    mRegistered = runtime.classes.emplace(mClass->name, mClass).second;
    if (!mRegistered)
        TRACE("class %s is registered already; %s keeps the first", name,
              mClass->modulePath.c_str());
}

NSClassRegistration::~NSClassRegistration() {
    if (mRegistered) {
        PlatformRuntime& runtime = GetPlatformRuntime();
        UTL_MutexLock lock(&runtime.mutex);
        const auto found = runtime.classes.find(mClass->name);
        if (found != runtime.classes.end() && found->second == mClass) runtime.classes.erase(found);
    }
    delete mClass;
}

Class objc_getClass(const char* name) {
    if (!name) return nullptr;
    PlatformRuntime& runtime = GetPlatformRuntime();
    UTL_MutexLock lock(&runtime.mutex);
    const auto found = runtime.classes.find(name);
    return found == runtime.classes.end() ? nullptr : found->second;
}

Class NSClassFromString(NSString* name) {
    return name ? objc_getClass(name->UTF8String()) : nullptr;
}

id class_createInstance(Class cls, size_t extraBytes) {
    return cls && extraBytes == 0 ? cls->createInstance() : nullptr;
}
