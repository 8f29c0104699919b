#include "UTL_FlushDenormals.h"

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>

namespace {
// The SSE control word's flush-to-zero (bit 15) and denormals-are-zero (bit 6).
constexpr unsigned kFlushModes = 0x8040;
} // namespace

UTL_FlushDenormals::UTL_FlushDenormals() : mSavedMode(_mm_getcsr()) {
    _mm_setcsr(static_cast<unsigned>(mSavedMode) | kFlushModes);
}

UTL_FlushDenormals::~UTL_FlushDenormals() {
    _mm_setcsr(static_cast<unsigned>(mSavedMode));
}

#elif defined(__aarch64__)

namespace {
// The FPCR's flush-to-zero bit, which covers operands and results alike.
constexpr unsigned long kFlushModes = 1ul << 24;

unsigned long ReadMode() {
    unsigned long mode;
    __asm__ volatile("mrs %0, fpcr" : "=r"(mode));
    return mode;
}

void WriteMode(unsigned long mode) {
    __asm__ volatile("msr fpcr, %0" : : "r"(mode));
}
} // namespace

UTL_FlushDenormals::UTL_FlushDenormals() : mSavedMode(ReadMode()) {
    WriteMode(mSavedMode | kFlushModes);
}

UTL_FlushDenormals::~UTL_FlushDenormals() {
    WriteMode(mSavedMode);
}

#else

UTL_FlushDenormals::UTL_FlushDenormals() : mSavedMode(0) {}
UTL_FlushDenormals::~UTL_FlushDenormals() = default;

#endif
