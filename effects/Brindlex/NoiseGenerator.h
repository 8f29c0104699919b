#pragma once

#include <cstdint>

// The C library's rand() as one object of its own, without the lock the library's process-wide
// generator takes: glibc's additive-feedback generator of degree 31 (random_r's TYPE_3), seeded
// as srand seeds it. Seeded alike, it yields exactly the numbers rand() yields, 0 to kMax. One
// thread at a time may draw from a generator.
class NoiseGenerator {
public:
    static constexpr int kMax = 2147483647;

    explicit NoiseGenerator(unsigned seed) { Seed(seed); }

    // As srand: a linear congruential fill of the table (16807 x mod 2^31 - 1, in Schrage's
    // form so nothing overflows), then 310 draws thrown away to stir it. Seeds past 2^31 - 1
    // start as the negative numbers the library's 32-bit state makes of them.
    void Seed(unsigned seed) {
        int32_t word = int32_t(seed ? seed : 1);
        mTable[0] = uint32_t(word);
        for (int i = 1; i < kDegree; ++i) {
            const int64_t hi = word / 127773, lo = word % 127773;
            word = int32_t(16807 * lo - 2836 * hi);
            if (word < 0) word += kMax;
            mTable[i] = uint32_t(word);
        }
        mFront = kSeparation;
        mRear = 0;
        for (int i = 0; i < 10 * kDegree; ++i)
            Next();
    }

    // r[i] = r[i - 31] + r[i - 3] (mod 2^32), handed out without its lowest bit.
    int Next() {
        const uint32_t value = mTable[mFront] += mTable[mRear];
        if (++mFront == kDegree) mFront = 0;
        if (++mRear == kDegree) mRear = 0;
        return int(value >> 1);
    }

private:
    static constexpr int kDegree = 31;
    static constexpr int kSeparation = 3;

    uint32_t mTable[kDegree];
    int mFront; // r[i - 3] before the draw, r[i] after it
    int mRear;  // r[i - 31]
};

// Which noise an effect instance makes. An instance holds the lowest stream number that no
// other live instance of the process holds, and gives it back when it goes, so instances alive
// at the same time never share a stream, and an instance alone in its process (a render, a
// test, a host that probed an instance and closed it before opening the one it plays) always
// has stream 0: the sequence the effect has always drawn, rand() after srand(666). Stream n is
// seeded with 666 + n. The number is fixed at construction; nothing afterwards changes it.
class NoiseStream {
public:
    static constexpr unsigned kFirstSeed = 666;

    NoiseStream();
    ~NoiseStream();
    NoiseStream(const NoiseStream&) = delete;
    NoiseStream& operator=(const NoiseStream&) = delete;

    unsigned Number() const { return mNumber; }
    unsigned Seed() const { return kFirstSeed + mNumber; }

private:
    unsigned mNumber;
};
