#pragma once

// Watches what the render thread must never do: allocate or free heap memory, or take a mutex.
// The probe replaces malloc, free and their relatives, operator new and delete and
// pthread_mutex_lock/trylock for the whole process (the component loaded with dlopen
// included) and counts the calls a thread makes while it is inside a RenderScope.
//
// It exists only in builds without a sanitizer, which replace the same functions themselves;
// there RealtimeProbeActive() is false and nothing is counted.

struct RealtimeCounts {
    long allocations = 0; // malloc, calloc, realloc, the aligned allocators, operator new
    long frees = 0;       // free, realloc of a block, operator delete
    long locks = 0;       // pthread_mutex_lock and pthread_mutex_trylock

    long Total() const { return allocations + frees + locks; }
};

bool RealtimeProbeActive();
// Everything counted so far, on every thread.
RealtimeCounts RealtimeViolations();

// Marks the current thread as inside render for its lifetime; scopes may nest.
class RenderScope {
public:
    RenderScope();
    ~RenderScope();
    RenderScope(const RenderScope&) = delete;
    RenderScope& operator=(const RenderScope&) = delete;
};
