// The probe must see what the component does, or the validator's real-time checks prove nothing.
#include "ValidatorSupport.h"

#include <memory>

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

} // namespace
