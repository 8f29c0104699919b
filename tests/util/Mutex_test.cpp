#include "UTL_Mutex.h"

#include <gtest/gtest.h>

#include <thread>

TEST(UTL_Mutex, RecursiveWithEnterCount) {
    UTL_Mutex mutex;
    {
        UTL_MutexLock outer(&mutex);
        UTL_MutexLock inner(&mutex);
        EXPECT_EQ(mutex.GetEnterCount(), 2);
        inner.Leave();
        EXPECT_EQ(mutex.GetEnterCount(), 1);
    }
    EXPECT_EQ(mutex.GetEnterCount(), 0);
    UTL_MutexLock none(nullptr); // holds nothing, must not crash
}

TEST(UTL_Mutex, ExcludesOtherThreadsUntilFullyLeft) {
    UTL_Mutex mutex;
    mutex.Enter();
    mutex.Enter();
    bool taken = true;
    std::thread([&] { taken = mutex.TryEnter(); }).join();
    EXPECT_FALSE(taken);
    mutex.Leave();
    std::thread([&] { taken = mutex.TryEnter(); }).join();
    EXPECT_FALSE(taken);
    mutex.Leave();
    std::thread([&] {
        taken = mutex.TryEnter();
        if (taken) mutex.Leave();
    }).join();
    EXPECT_TRUE(taken);
}

TEST(UTL_Mutex, TryLockNeverWaits) {
    UTL_Mutex mutex;
    {
        UTL_MutexLock held(&mutex);
        UTL_MutexLock again(&mutex, std::try_to_lock); // recursive: the owner gets it
        EXPECT_TRUE(again.OwnsLock());
        EXPECT_EQ(mutex.GetEnterCount(), 2);
        bool owned = true;
        std::thread([&] {
            UTL_MutexLock other(&mutex, std::try_to_lock);
            owned = other.OwnsLock();
        }).join();
        EXPECT_FALSE(owned);
        EXPECT_EQ(mutex.GetEnterCount(), 2); // the failed try left no count behind
    }
    EXPECT_EQ(mutex.GetEnterCount(), 0);
    UTL_MutexLock none(nullptr, std::try_to_lock);
    EXPECT_FALSE(none.OwnsLock());
}

TEST(UTL_Mutex, SerialisesConcurrentIncrements) {
    UTL_Mutex mutex;
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            UTL_MutexLock lock(&mutex);
            UTL_MutexLock again(&mutex);
            ++counter;
        }
    };
    std::thread t1(work), t2(work);
    t1.join();
    t2.join();
    EXPECT_EQ(counter, 40000);
}
