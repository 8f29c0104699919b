// The probe's replacements. Each forwards to the C library's own entry points, which glibc
// exports under __libc_ names (and dlsym finds the next pthread_mutex_lock), so nothing here
// needs the allocator it replaces.
#include "RealtimeProbe.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <dlfcn.h>
#include <new>
#include <pthread.h>
#include <unistd.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {

// Initial-exec: reading the flag must not itself allocate thread storage.
__attribute__((tls_model("initial-exec"))) thread_local int tRenderDepth = 0;

std::atomic<long> gAllocations{0}, gFrees{0}, gLocks{0}, gTryLocks{0};

inline void Count(std::atomic<long>& counter) {
    if (tRenderDepth > 0) counter.fetch_add(1, std::memory_order_relaxed);
}

// Taking again a recursive mutex the thread already holds only counts up, so it can never make
// the thread wait; glibc keeps the holder's thread id in the mutex.
bool HeldByThisThread(const pthread_mutex_t* mutex) {
    return mutex && mutex->__data.__owner == gettid();
}

void CountLock(std::atomic<long>& counter, const pthread_mutex_t* mutex) {
    if (tRenderDepth > 0 && !HeldByThisThread(mutex))
        counter.fetch_add(1, std::memory_order_relaxed);
}

using MutexCall = int (*)(pthread_mutex_t*);
MutexCall gLock = nullptr;
MutexCall gTryLock = nullptr;

// Before anything else runs; a lock taken even earlier resolves the functions itself.
__attribute__((constructor(101))) void ResolveMutexCalls() {
    gLock = reinterpret_cast<MutexCall>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    gTryLock = reinterpret_cast<MutexCall>(dlsym(RTLD_NEXT, "pthread_mutex_trylock"));
}

void* Allocate(size_t size) {
    Count(gAllocations);
    return __libc_malloc(size);
}

void* AllocateAligned(size_t alignment, size_t size) {
    Count(gAllocations);
    return __libc_memalign(alignment, size);
}

void Free(void* block) {
    if (block) Count(gFrees);
    __libc_free(block);
}

void* NewOrThrow(size_t size) {
    void* block = Allocate(size != 0 ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}

void* NewAlignedOrThrow(size_t size, std::align_val_t alignment) {
    void* block = AllocateAligned(static_cast<size_t>(alignment), size != 0 ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}

} // namespace

bool RealtimeProbeActive() {
    return true;
}

RealtimeCounts RealtimeViolations() {
    RealtimeCounts counts;
    counts.allocations = gAllocations.load(std::memory_order_relaxed);
    counts.frees = gFrees.load(std::memory_order_relaxed);
    counts.locks = gLocks.load(std::memory_order_relaxed);
    counts.tryLocks = gTryLocks.load(std::memory_order_relaxed);
    return counts;
}

RenderScope::RenderScope() {
    ++tRenderDepth;
}

RenderScope::~RenderScope() {
    --tRenderDepth;
}

extern "C" {

void* malloc(size_t size) {
    return Allocate(size);
}

void* calloc(size_t count, size_t size) {
    Count(gAllocations);
    return __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) {
    Count(gAllocations);
    if (block) Count(gFrees);
    return __libc_realloc(block, size);
}

void free(void* block) {
    Free(block);
}

void* memalign(size_t alignment, size_t size) {
    return AllocateAligned(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    return AllocateAligned(alignment, size);
}

int posix_memalign(void** block, size_t alignment, size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* made = AllocateAligned(alignment, size);
    if (!made) return ENOMEM;
    *block = made;
    return 0;
}

int pthread_mutex_lock(pthread_mutex_t* mutex) {
    CountLock(gLocks, mutex);
    if (!gLock) ResolveMutexCalls();
    return gLock(mutex);
}

int pthread_mutex_trylock(pthread_mutex_t* mutex) {
    CountLock(gTryLocks, mutex);
    if (!gTryLock) ResolveMutexCalls();
    return gTryLock(mutex);
}

} // extern "C"

void* operator new(size_t size) {
    return NewOrThrow(size);
}
void* operator new[](size_t size) {
    return NewOrThrow(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size != 0 ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size != 0 ? size : 1);
}
void* operator new(size_t size, std::align_val_t alignment) {
    return NewAlignedOrThrow(size, alignment);
}
void* operator new[](size_t size, std::align_val_t alignment) {
    return NewAlignedOrThrow(size, alignment);
}
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return AllocateAligned(static_cast<size_t>(alignment), size != 0 ? size : 1);
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return AllocateAligned(static_cast<size_t>(alignment), size != 0 ? size : 1);
}

void operator delete(void* block) noexcept {
    Free(block);
}
void operator delete[](void* block) noexcept {
    Free(block);
}
void operator delete(void* block, size_t) noexcept {
    Free(block);
}
void operator delete[](void* block, size_t) noexcept {
    Free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    Free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    Free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    Free(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    Free(block);
}
void operator delete(void* block, size_t, std::align_val_t) noexcept {
    Free(block);
}
void operator delete[](void* block, size_t, std::align_val_t) noexcept {
    Free(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    Free(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    Free(block);
}
