// The probe must see what the component does, or the validator's real-time checks prove nothing.
#include "ValidatorSupport.h"

#include <memory>
#include <pthread.h>

namespace {

TEST(RealtimeProbe, CountsWhatTheComponentDoesInsideARenderScope) {
    if (!RealtimeProbeActive()) GTEST_SKIP() << "sanitizer builds replace the allocator";
    ASSERT_NE(ComponentEntry(), nullptr) << ComponentLoadError();
    ValidatedUnit unit;
    ASSERT_EQ(unit.OpenStatus(), noErr);

    const RealtimeCounts before = RealtimeViolations();
    {
        RenderScope scope;
        // Saving the state allocates inside the component; every call through the entry
        // takes the unit's lock.
        CFHolder<CFPropertyListRef> state(unit.CopyClassInfo());
        ASSERT_NE(state.Get(), nullptr);
    }
    const RealtimeCounts inside = RealtimeViolations();
    EXPECT_GT(inside.allocations, before.allocations);
    EXPECT_GT(inside.frees, before.frees);
    EXPECT_GT(inside.locks, before.locks);

    // Outside a scope nothing is counted.
    CFHolder<CFPropertyListRef> state(unit.CopyClassInfo());
    auto block = std::make_unique<int[]>(100);
    const RealtimeCounts after = RealtimeViolations();
    EXPECT_EQ(after.Total(), inside.Total());
}

// A lock that could make render wait counts; taking again a recursive mutex the thread already
// holds cannot, and a try never waits, so it counts apart.
TEST(RealtimeProbe, CountsLocksThatCouldWaitAndTriesApart) {
    if (!RealtimeProbeActive()) GTEST_SKIP() << "sanitizer builds replace the mutex calls";
    pthread_mutexattr_t recursive;
    pthread_mutexattr_init(&recursive);
    pthread_mutexattr_settype(&recursive, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_t held, other;
    pthread_mutex_init(&held, &recursive);
    pthread_mutex_init(&other, &recursive);
    pthread_mutexattr_destroy(&recursive);

    ASSERT_EQ(pthread_mutex_lock(&held), 0);
    const RealtimeCounts before = RealtimeViolations();
    {
        RenderScope scope;
        ASSERT_EQ(pthread_mutex_lock(&held), 0);
        ASSERT_EQ(pthread_mutex_trylock(&held), 0);
        pthread_mutex_unlock(&held);
        pthread_mutex_unlock(&held);
    }
    const RealtimeCounts reentered = RealtimeViolations();
    EXPECT_EQ(reentered.Total(), before.Total());
    {
        RenderScope scope;
        ASSERT_EQ(pthread_mutex_lock(&other), 0);
        pthread_mutex_unlock(&other);
        ASSERT_EQ(pthread_mutex_trylock(&other), 0);
        pthread_mutex_unlock(&other);
    }
    const RealtimeCounts after = RealtimeViolations();
    EXPECT_EQ(after.locks, before.locks + 1);
    EXPECT_EQ(after.tryLocks, before.tryLocks + 1);
    pthread_mutex_unlock(&held);
    pthread_mutex_destroy(&held);
    pthread_mutex_destroy(&other);
}

} // namespace
