// Timers, delayed performs and autorelease pools on the headless virtual clock.

#include "TestSupport.h"

#include <cmath>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using RunLoopTest = HeadlessTest;

NSTimeInterval Now() {
    return NSDate::date()->timeIntervalSinceReferenceDate();
}

// What fired, and when.
struct Log {
    std::vector<std::pair<NSTimeInterval, std::string>> entries;
    std::function<void(NSTimer*)> Recorder(std::string name) {
        return [this, name](NSTimer*) { entries.emplace_back(Now(), name); };
    }
};

TEST_F(RunLoopTest, TimersFireAtTheirTimesInOrder) {
    Log log;
    NSTimer* quarter = NSTimer::scheduledTimerWithTimeInterval(0.25, true, log.Recorder("quarter"));
    NSTimer::scheduledTimerWithTimeInterval(0.6, false, log.Recorder("once"));
    NSTimer* half = NSTimer::scheduledTimerWithTimeInterval(0.5, true, log.Recorder("half"));
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 3u);
    RunUntil(1.0);
    EXPECT_EQ(Now(), 1.0);
    const std::vector<std::pair<NSTimeInterval, std::string>> expected = {
        {0.25, "quarter"}, {0.5, "quarter"}, {0.5, "half"}, {0.6, "once"},
        {0.75, "quarter"}, {1.0, "quarter"}, {1.0, "half"}};
    EXPECT_EQ(log.entries, expected);
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 2u) << "the one-shot timer is gone";
    quarter->invalidate();
    half->invalidate();
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 0u);
}

TEST_F(RunLoopTest, InvalidatedTimersStopEvenFromTheirOwnCallback) {
    int fired = 0;
    NSTimer* timer = NSTimer::scheduledTimerWithTimeInterval(0.1, true, [&](NSTimer* self) {
        if (++fired == 2) self->invalidate();
    });
    timer->retain();
    RunUntil(1.0);
    EXPECT_EQ(fired, 2);
    timer->fire();
    EXPECT_EQ(fired, 2) << "an invalid timer does not fire";
    timer->release();
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 0u);
}

TEST_F(RunLoopTest, LateRepeatingTimersFireOnceAndKeepTheirSchedule) {
    Log log;
    NSTimer* timer = NSTimer::scheduledTimerWithTimeInterval(0.25, true, log.Recorder("tick"));
    // The program is busy until 1.1, in a loop of a mode the timer does not run in.
    NSTimer::scheduledTimerWithTimeInterval(0.1, false, [](NSTimer*) {
        NSRunLoop::currentRunLoop()->runMode(NSEventTrackingRunLoopMode,
                                             NSDate::dateWithTimeIntervalSinceReferenceDate(1.1));
    });
    RunUntil(1.1);
    ASSERT_EQ(log.entries.size(), 1u) << "missed ticks are not made up";
    EXPECT_EQ(log.entries[0].first, 1.1);
    RunUntil(1.5);
    ASSERT_EQ(log.entries.size(), 3u);
    EXPECT_EQ(log.entries[1].first, 1.25) << "back on its schedule";
    timer->invalidate();
}

class Target : public NSObject {
public:
    explicit Target(bool* freed) : mFreed(freed) {}
    std::vector<NSTimeInterval> ticks;
    std::vector<id> arguments;
    void Tick(NSTimer* timer) {
        ticks.push_back(Now());
        EXPECT_EQ(timer->userInfo(), info);
    }
    void Perform(id argument) { arguments.push_back(argument); }
    id info = nullptr;

protected:
    ~Target() override { *mFreed = true; }

private:
    bool* mFreed;
};

TEST_F(RunLoopTest, TimersWithATargetKeepItUntilInvalidated) {
    bool freed = false;
    auto* target = new Target(&freed);
    NSString* info = NSString::stringWithUTF8String("info");
    target->info = info;
    NSTimer* timer =
        NSTimer::scheduledTimerWithTimeInterval(0.5, target, &Target::Tick, info, true);
    target->release();
    EXPECT_FALSE(freed) << "the timer keeps its target";
    RunUntil(1.2);
    EXPECT_EQ(target->ticks, (std::vector<NSTimeInterval>{0.5, 1.0}));
    timer->invalidate();
    EXPECT_TRUE(freed);

    bool otherFreed = false;
    auto* other = new Target(&otherFreed);
    EXPECT_EQ(NSTimer::scheduledTimerWithTimeInterval(NAN, other, &Target::Tick, nullptr, true),
              nullptr);
    other->release();
    EXPECT_TRUE(otherFreed) << "a refused timer keeps nothing";
}

TEST_F(RunLoopTest, PerformsRunAfterTheirDelayWithTheirArgumentUnlessCancelled) {
    bool freed = false;
    auto* target = new Target(&freed);
    NSString* argument = NSString::stringWithUTF8String("argument");
    target->performSelector(&Target::Perform, argument, 0.3);
    target->performSelector(&Target::Perform, nullptr, 0);
    RunUntil(0);
    ASSERT_EQ(target->arguments.size(), 1u) << "a zero delay runs at the next pass";
    EXPECT_EQ(target->arguments[0], nullptr);
    RunUntil(0.3);
    ASSERT_EQ(target->arguments.size(), 2u);
    EXPECT_EQ(target->arguments[1], argument);

    target->performSelector(&Target::Perform, argument, 0.1);
    NSObject::cancelPreviousPerformRequestsWithTarget(target);
    RunUntil(1);
    EXPECT_EQ(target->arguments.size(), 2u);
    target->release();
    EXPECT_TRUE(freed) << "a cancelled perform lets its target go";
}

TEST_F(RunLoopTest, TimersFireOnlyInTheirModes) {
    Log log;
    NSTimer* modal = NSTimer::timerWithTimeInterval(0.1, false, log.Recorder("modal"));
    NSTimer* common = NSTimer::timerWithTimeInterval(0.1, false, log.Recorder("common"));
    NSRunLoop* runLoop = NSRunLoop::currentRunLoop();
    runLoop->addTimer(modal, NSEventTrackingRunLoopMode);
    runLoop->addTimer(common, NSRunLoopCommonModes);
    RunUntil(0.5);
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(log.entries[0].second, "common");
    EXPECT_TRUE(runLoop->runMode(NSEventTrackingRunLoopMode, NSDate::date()));
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[1].second, "modal");
    EXPECT_FALSE(runLoop->runMode(nullptr, nullptr));
}

TEST_F(RunLoopTest, OtherThreadsRunTheirOwnLoopsAndCleanUpWhenTheyEnd) {
    int fired = 0;
    bool ranWithoutTimers = true;
    std::thread worker([&] {
        NSAutoreleasePool* pool = new NSAutoreleasePool;
        NSRunLoop* runLoop = NSRunLoop::currentRunLoop();
        EXPECT_NE(runLoop, NSRunLoop::mainRunLoop());
        ranWithoutTimers =
            runLoop->runMode(NSDefaultRunLoopMode, NSDate::dateWithTimeIntervalSinceNow(10));
        NSTimer::scheduledTimerWithTimeInterval(0.2, true, [&](NSTimer*) { ++fired; });
        runLoop->runUntilDate(NSDate::dateWithTimeIntervalSinceNow(0.5));
        NSString::stringWithUTF8String("left in an open pool");
        (void)pool; // left open: the thread's end releases it and the run loop's timer
    });
    worker.join();
    EXPECT_FALSE(ranWithoutTimers) << "nothing could arrive, so nothing was waited for";
    EXPECT_EQ(fired, 2);
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 0u);
}

class Tracked : public NSObject {
public:
    explicit Tracked(int* freed) : mFreed(freed) {}

protected:
    ~Tracked() override { ++*mFreed; }

private:
    int* mFreed;
};

TEST_F(RunLoopTest, PoolsReleaseTheirObjectsAndTheirInnerPools) {
    int freed = 0;
    NSAutoreleasePool* outer = new NSAutoreleasePool;
    (new Tracked(&freed))->autorelease();
    new NSAutoreleasePool; // left open inside the outer one
    (new Tracked(&freed))->autorelease();
    auto* kept = new Tracked(&freed);
    kept->autorelease();
    kept->retain();
    outer->release();
    EXPECT_EQ(freed, 2);
    kept->release();
    EXPECT_EQ(freed, 3);
}

TEST_F(RunLoopTest, DatesFollowTheVirtualClock) {
    EXPECT_EQ(Now(), 0);
    NSDate* later = NSDate::dateWithTimeIntervalSinceNow(2.5);
    NSRunLoop::mainRunLoop()->runUntilDate(later);
    EXPECT_EQ(Now(), 2.5);
    EXPECT_TRUE(later->isEqual(NSDate::dateWithTimeIntervalSinceReferenceDate(2.5)));
    // The past runs one pass and returns at once.
    NSRunLoop::mainRunLoop()->runUntilDate(NSDate::dateWithTimeIntervalSinceReferenceDate(1));
    EXPECT_EQ(Now(), 2.5);
}

} // namespace
