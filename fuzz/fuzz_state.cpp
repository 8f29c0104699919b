// The effect's state and preset readers on arbitrary bytes. The first byte chooses the reader
// and the start position; the rest is the chunk.
#include "Brindlex.h"
#include "FuzzSupport.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

ByteChunk StateOf(IFxBase& plug) {
    ByteChunk chunk;
    FUZZ_CHECK(plug.SerializeState(&chunk));
    return chunk;
}

bool SameBytes(const ByteChunk& a, const ByteChunk& b) {
    return a.Size() == b.Size() &&
           (a.Size() == 0 || std::memcmp(a.GetBytes(), b.GetBytes(), size_t(a.Size())) == 0);
}

// Every parameter holds a finite value inside its range.
void CheckParameters(IFxBase& plug) {
    for (int i = 0; i < plug.NParams(); ++i) {
        const IParam* param = plug.GetParam(i);
        double lo = 0.0, hi = 0.0;
        param->GetBounds(&lo, &hi);
        FUZZ_CHECK(std::isfinite(param->Value()));
        FUZZ_CHECK(param->Value() >= lo && param->Value() <= hi);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 20)) return -1;
    const bool presets = data[0] & 1;
    const int start = (data[0] >> 1) % 16;
    ByteChunk chunk;
    chunk.PutBytes(data + 1, int(size - 1));

    std::unique_ptr<IFxAU> plug(MakePlug());
    const ByteChunk before = StateOf(*plug);
    if (!presets) {
        const int end = plug->UnserializeState(&chunk, start);
        if (end < 0)
            FUZZ_CHECK(SameBytes(StateOf(*plug), before)); // refused: nothing changed
        else
            FUZZ_CHECK(end == start + plug->NParams() * int(sizeof(double)));
    } else {
        const int end = plug->UnserializePresets(&chunk, start);
        FUZZ_CHECK(end <= chunk.Size());
        for (int i = 0; i < plug->NPresets(); ++i)
            FUZZ_CHECK(std::strlen(plug->GetPresetName(i)) < size_t(IPreset::kNameSize));
        ByteChunk saved;
        FUZZ_CHECK(plug->SerializePresets(&saved));
    }
    CheckParameters(*plug);
    return 0;
}
