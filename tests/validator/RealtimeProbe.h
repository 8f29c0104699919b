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
    // Of a mutex the thread does not already hold (taking a held recursive one never waits).
    long locks = 0;    // pthread_mutex_lock
    long tryLocks = 0; // pthread_mutex_trylock, which never waits

    long Total() const { return allocations + frees + locks + tryLocks; }
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
