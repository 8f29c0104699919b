#include "UTL_TripleBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(UTL_TripleBuffer, TheReaderGetsTheLatestValuePublished) {
    UTL_TripleBuffer<int> buffer(7);
    EXPECT_EQ(buffer.Read(), 7);
    buffer.Publish(1);
    buffer.Publish(2);
    buffer.Publish(3);
    EXPECT_EQ(buffer.Read(), 3) << "values not read are skipped";
    EXPECT_EQ(buffer.Read(), 3) << "without news the last value stays";
    for (int i = 10; i < 20; ++i) {
        buffer.Publish(i);
        EXPECT_EQ(buffer.Read(), i);
    }
}

// A value whose halves disagree was torn between two writes.
struct Pair {
    long first, second;
};

TEST(UTL_TripleBuffer, ConcurrentReaderNeverSeesATornOrOlderValue) {
    UTL_TripleBuffer<Pair> buffer(Pair{0, 0});
    constexpr long kWrites = 200000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (long i = 1; i <= kWrites; ++i)
            buffer.Publish(Pair{i, -i});
        done.store(true);
    });
    long last = 0, torn = 0, backwards = 0;
    while (!done.load() || last != kWrites) {
        const Pair value = buffer.Read();
        torn += value.second != -value.first;
        backwards += value.first < last;
        last = value.first;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(backwards, 0);
}

} // namespace
