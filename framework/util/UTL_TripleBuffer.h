#pragma once

#include <atomic>
#include <type_traits>

// Hands the latest of a series of values from one writing thread to one reading thread without
// a lock and without either ever waiting: the writer publishes whole values, the reader takes
// the most recent one published, and neither sees the other's half-written copy. Values the
// reader never asked for are skipped.
//
// Three slots: the writer fills its own, then swaps it with the middle one; the reader swaps its
// own with the middle one when that holds something newer. Each swap is one atomic exchange, so
// a slot always belongs to exactly one side.
template <class T> class UTL_TripleBuffer {
    static_assert(std::is_trivially_copyable_v<T>, "values are copied whole");

public:
    explicit UTL_TripleBuffer(const T& initial = T{}) : mSlots{initial, initial, initial} {}
    UTL_TripleBuffer(const UTL_TripleBuffer&) = delete;
    UTL_TripleBuffer& operator=(const UTL_TripleBuffer&) = delete;

    // Writer side: makes value the latest.
    void Publish(const T& value) {
        mSlots[mWriteSlot] = value;
        const unsigned previous = mMiddle.exchange(mWriteSlot | kFresh, std::memory_order_acq_rel);
        mWriteSlot = previous & kSlotMask;
    }

    // Reader side: the latest value published, or the one read last time when nothing newer
    // has come. The reference stays valid until the reader's next call.
    const T& Read() {
        if (mMiddle.load(std::memory_order_relaxed) & kFresh) {
            const unsigned previous = mMiddle.exchange(mReadSlot, std::memory_order_acq_rel);
            mReadSlot = previous & kSlotMask;
        }
        return mSlots[mReadSlot];
    }

private:
    static constexpr unsigned kSlotMask = 3;
    static constexpr unsigned kFresh = 4; // the middle slot holds a value not read yet

    T mSlots[3];
    unsigned mWriteSlot = 0;
    std::atomic<unsigned> mMiddle{1};
    unsigned mReadSlot = 2;
};
