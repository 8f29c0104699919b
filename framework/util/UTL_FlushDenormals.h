#pragma once

// Holds the processor's flush-to-zero and denormals-are-zero modes for a scope, then restores
// the caller's: subnormal results of floating-point arithmetic become zero, and subnormal
// operands count as zero. Results that are normal numbers come out exactly as without it, so
// audio keeps its values to the bit while decaying tails end in silence instead of crawling
// through the subnormal range (slow on every processor, and refused by strict hosts).
//
// The modes belong to the calling thread. On processors without them the guard does nothing.
class UTL_FlushDenormals {
public:
    UTL_FlushDenormals();
    ~UTL_FlushDenormals();
    UTL_FlushDenormals(const UTL_FlushDenormals&) = delete;
    UTL_FlushDenormals& operator=(const UTL_FlushDenormals&) = delete;

private:
    // Out of line on purpose: no floating-point work can be moved across the mode changes.
    unsigned long mSavedMode;
};
