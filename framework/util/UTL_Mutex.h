#pragma once

#include <atomic>
#include <mutex>

// Recursive lock that counts how deep its owner has entered it.
class UTL_Mutex {
public:
    void Enter() {
        mMutex.lock();
        mEnterCount.fetch_add(1, std::memory_order_relaxed);
    }
    bool TryEnter() {
        if (!mMutex.try_lock()) return false;
        mEnterCount.fetch_add(1, std::memory_order_relaxed);
        return true;
    }
    void Leave() {
        mEnterCount.fetch_sub(1, std::memory_order_relaxed);
        mMutex.unlock();
    }
    int GetEnterCount() const { return mEnterCount.load(std::memory_order_relaxed); }

private:
    std::recursive_mutex mMutex;
    std::atomic<int> mEnterCount{0};
};

// Holds a UTL_Mutex for a scope. A null mutex holds nothing.
class UTL_MutexLock {
public:
    explicit UTL_MutexLock(UTL_Mutex* mutex) : mMutex(mutex) {
        if (mMutex) mMutex->Enter();
    }
    // Never waits, for threads that must not block: holds the mutex only if it was free or
    // already held by this thread. OwnsLock tells which.
    UTL_MutexLock(UTL_Mutex* mutex, std::try_to_lock_t)
        : mMutex(mutex && mutex->TryEnter() ? mutex : nullptr) {}
    ~UTL_MutexLock() { Leave(); }
    UTL_MutexLock(const UTL_MutexLock&) = delete;
    UTL_MutexLock& operator=(const UTL_MutexLock&) = delete;

    void Leave() {
        if (mMutex) mMutex->Leave();
        mMutex = nullptr;
    }
    bool OwnsLock() const { return mMutex != nullptr; }

private:
    UTL_Mutex* mMutex;
};
