// Dates, timers, run loops and delayed performs, on the window system's clock.

#include "PlatformRuntime.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

NSConstantString gDefaultMode{"kCFRunLoopDefaultMode"};
NSConstantString gCommonModes{"kCFRunLoopCommonModes"};
NSConstantString gEventTrackingMode{"NSEventTrackingRunLoopMode"};

// The smallest interval a timer takes, as on the platform.
constexpr NSTimeInterval kMinimumInterval = 0.0001;

NSTimeInterval Now() {
    return GetWindowSystem().Now();
}

bool IsCommonMode(NSString* mode) {
    return mode->isEqual(NSDefaultRunLoopMode) || mode->isEqual(NSEventTrackingRunLoopMode);
}

bool RunsIn(const std::vector<NSString*>& modes, NSString* mode) {
    for (NSString* timerMode : modes)
        if (timerMode->isEqual(mode) ||
            (timerMode->isEqual(NSRunLoopCommonModes) && IsCommonMode(mode)))
            return true;
    return false;
}

} // namespace

NSString* const NSDefaultRunLoopMode = &gDefaultMode;
NSString* const NSRunLoopCommonModes = &gCommonModes;
NSString* const NSEventTrackingRunLoopMode = &gEventTrackingMode;

// ---- Dates ---------------------------------------------------------------------------------

NSDate::NSDate() : mTime(Now()) {}

NSDate* NSDate::date() {
    return static_cast<NSDate*>((new NSDate)->autorelease());
}

NSDate* NSDate::dateWithTimeIntervalSinceNow(NSTimeInterval seconds) {
    return dateWithTimeIntervalSinceReferenceDate(Now() + seconds);
}

NSDate* NSDate::dateWithTimeIntervalSinceReferenceDate(NSTimeInterval seconds) {
    return static_cast<NSDate*>((new NSDate(seconds))->autorelease());
}

bool NSDate::isEqual(id object) const {
    const auto* other = dynamic_cast<const NSDate*>(object);
    return other && other->mTime == mTime;
}

// ---- Timers --------------------------------------------------------------------------------

NSTimer::NSTimer(NSTimeInterval interval, bool repeats, std::function<void(NSTimer*)> block)
    : mInterval(interval > kMinimumInterval ? interval : kMinimumInterval), mRepeats(repeats),
      mFireTime(Now() + mInterval), mCallback(std::move(block)) {}

NSTimer::~NSTimer() {
    ReleaseCallback();
}

NSTimer* NSTimer::timerWithTimeInterval(NSTimeInterval interval, bool repeats,
                                        std::function<void(NSTimer*)> block) {
    if (!block || std::isnan(interval)) return nullptr;
    return static_cast<NSTimer*>((new NSTimer(interval, repeats, std::move(block)))->autorelease());
}

NSTimer* NSTimer::scheduledTimerWithTimeInterval(NSTimeInterval interval, bool repeats,
                                                 std::function<void(NSTimer*)> block) {
    if (!block || std::isnan(interval)) return nullptr;
    // The run loop's reference is the only one, so no autorelease pool is needed.
    auto* timer = new NSTimer(interval, repeats, std::move(block));
    NSRunLoop::currentRunLoop()->addTimer(timer, NSDefaultRunLoopMode);
    timer->release();
    return timer;
}

void NSTimer::Keep(NSObject* target, NSObject* userInfo) {
    mTarget = target ? target->retain() : nullptr;
    mUserInfo = userInfo ? userInfo->retain() : nullptr;
}

void NSTimer::ReleaseCallback() {
    NSObject* target = mTarget;
    NSObject* userInfo = mUserInfo;
    mTarget = mUserInfo = mPerformTarget = nullptr;
    // While the callback runs it stays; fire drops it afterwards.
    if (!mFiring) mCallback = nullptr;
    if (target) target->release();
    if (userInfo) userInfo->release();
}

void NSTimer::invalidate() {
    if (!mValid) return;
    mValid = false;
    retain();
    if (mRunLoop) mRunLoop->Remove(this);
    ReleaseCallback();
    release();
}

void NSTimer::fire() {
    if (!mValid || mFiring) return;
    // The target outlives the call even when the callback invalidates the timer.
    retain();
    NSObject* target = mTarget ? mTarget->retain() : nullptr;
    mFiring = true;
    mCallback(this);
    mFiring = false;
    if (!mRepeats) invalidate();
    if (!mValid) mCallback = nullptr;
    if (target) target->release();
    release();
}

// ---- Delayed performs ----------------------------------------------------------------------

void foundation_detail::SchedulePerform(NSObject* target, NSObject* argument, NSTimeInterval delay,
                                        std::function<void(NSObject*)> call) {
    if (std::isnan(delay)) return;
    auto* timer =
        new NSTimer(delay, false, [call = std::move(call), argument](NSTimer*) { call(argument); });
    timer->Keep(target, argument);
    timer->mPerformTarget = target;
    // A delay of 0 or less runs at the next pass, without waiting.
    timer->mFireTime = Now() + std::max(delay, 0.0);
    NSRunLoop::currentRunLoop()->addTimer(timer, NSDefaultRunLoopMode);
    timer->release();
}

void NSObject::cancelPreviousPerformRequestsWithTarget(id target) {
    NSRunLoop::currentRunLoop()->cancelPerformSelectorsWithTarget(target);
}

// ---- Run loops -----------------------------------------------------------------------------

NSRunLoop* NSRunLoop::currentRunLoop() {
    if (IsMainThread()) return mainRunLoop();
    ThreadState& thread = GetThreadState();
    if (!thread.runLoop) thread.runLoop = ThreadState::MakeRunLoop(false);
    return thread.runLoop;
}

NSRunLoop* NSRunLoop::mainRunLoop() {
    return GetPlatformRuntime().mainRunLoop;
}

NSRunLoop::~NSRunLoop() {
    while (!mTimers.empty())
        mTimers.back()->invalidate();
}

void NSRunLoop::addTimer(NSTimer* timer, NSString* mode) {
    if (!timer || !mode || !timer->mValid || (timer->mRunLoop && timer->mRunLoop != this)) return;
    for (NSString* existing : timer->mModes)
        if (existing->isEqual(mode)) return;
    timer->mModes.push_back(static_cast<NSString*>(mode->retain()));
    if (timer->mRunLoop) return;
    timer->mRunLoop = this;
    timer->mSequence = mNextSequence++;
    mTimers.push_back(static_cast<NSTimer*>(timer->retain()));
}

void NSRunLoop::Remove(NSTimer* timer) {
    mTimers.erase(std::remove(mTimers.begin(), mTimers.end(), timer), mTimers.end());
    timer->mRunLoop = nullptr;
    for (NSString* mode : timer->mModes)
        mode->release();
    timer->mModes.clear();
    timer->release();
}

bool NSRunLoop::HasTimersIn(NSString* mode) const {
    return std::any_of(mTimers.begin(), mTimers.end(),
                       [&](const NSTimer* timer) { return RunsIn(timer->mModes, mode); });
}

NSTimer* NSRunLoop::NextDue(NSString* mode, NSTimeInterval now) const {
    NSTimer* next = nullptr;
    for (NSTimer* timer : mTimers) {
        if (timer->mFireTime > now || !RunsIn(timer->mModes, mode)) continue;
        if (!next || timer->mFireTime < next->mFireTime ||
            (timer->mFireTime == next->mFireTime && timer->mSequence < next->mSequence))
            next = timer;
    }
    return next;
}

NSTimeInterval NSRunLoop::EarliestFireTime(NSString* mode) const {
    NSTimeInterval earliest = std::numeric_limits<NSTimeInterval>::infinity();
    for (const NSTimer* timer : mTimers)
        if (RunsIn(timer->mModes, mode)) earliest = std::min(earliest, timer->mFireTime);
    return earliest;
}

void NSRunLoop::Fire(NSTimer* timer) {
    timer->retain();
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    if (timer->mRepeats) {
        // Keep the schedule: the next whole interval after now.
        const NSTimeInterval now = Now();
        const NSTimeInterval missed = std::floor((now - timer->mFireTime) / timer->mInterval);
        timer->mFireTime += (missed + 1) * timer->mInterval;
        if (timer->mFireTime <= now) timer->mFireTime = now + timer->mInterval;
    }
    timer->fire();
    pool->release();
    timer->release();
}

bool NSRunLoop::runMode(NSString* mode, NSDate* limitDate) {
    if (!mode || (!mIsMain && !HasTimersIn(mode))) return false;
    WindowSystem& windowSystem = GetWindowSystem();
    NSString* outerMode = mCurrentMode;
    mCurrentMode = mode;
    const NSTimeInterval limit =
        limitDate ? limitDate->timeIntervalSinceReferenceDate() : windowSystem.Now();
    bool fired = false;
    while (NSTimer* timer = NextDue(mode, windowSystem.Now())) {
        Fire(timer);
        fired = true;
    }
    if (!fired) {
        const NSTimeInterval wake = std::min(limit, EarliestFireTime(mode));
        if (wake > windowSystem.Now()) windowSystem.WaitUntil(wake, mIsMain);
        while (NSTimer* timer = NextDue(mode, windowSystem.Now()))
            Fire(timer);
    }
    if (mIsMain) DisplayWindowsIfNeeded();
    mCurrentMode = outerMode;
    return true;
}

void NSRunLoop::runUntilDate(NSDate* limitDate) {
    const NSTimeInterval limit = limitDate ? limitDate->timeIntervalSinceReferenceDate() : Now();
    do {
        if (!runMode(NSDefaultRunLoopMode, limitDate)) break;
    } while (Now() < limit);
}

void NSRunLoop::cancelPerformSelectorsWithTarget(id target) {
    if (!target) return;
    std::vector<NSTimer*> cancelled;
    for (NSTimer* timer : mTimers)
        if (timer->mPerformTarget == target) cancelled.push_back(timer);
    for (NSTimer* timer : cancelled)
        timer->invalidate();
}
