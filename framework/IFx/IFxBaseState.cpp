// Parameter state, the preset list, restoring presets and the version header of state files.
#include "IFxBase.h"

#include "Trace.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {
constexpr double kCompareTolerance = 0.00001;

// "user preset N", N one more than the presets already named so.
void MakeDefaultUserPresetName(const UTL_PtrList<IPreset>& presets, char* name, size_t size) {
    const char* stem = "user preset";
    int count = 0;
    for (int i = 0; i < presets.GetSize(); ++i)
        if (std::strstr(presets.Get(i)->mName, stem)) ++count;
    std::snprintf(name, size, "%s %d", stem, count + 1);
}

// Values beyond the float range would make the cast undefined; they compare as infinities.
float ToFloat(double value) {
    if (value > FLT_MAX) return std::numeric_limits<float>::infinity();
    if (value < -FLT_MAX) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}
} // namespace

bool IFxBase::SerializeParams(ByteChunk* chunk) {
    if (!chunk) return false;
    IMutexLock lock(this);
    bool saved = true;
    for (int i = 0; i < NParams() && saved; ++i) {
        const IParam* param = GetParam(i);
        const double value = param->Value();
        TRACE("%d %s %f", i, param->GetNameForHost(), value);
        saved = chunk->Put(&value) > 0;
    }
    return saved;
}

int IFxBase::UnserializeParams(const ByteChunk* chunk, int startPos) {
    if (!chunk) return -1;
    IMutexLock lock(this);
    // All values or none: a short chunk, or one holding a value no parameter can take (which
    // this plug-in never writes), must not leave the plug-in half restored.
    const int64_t end =
        static_cast<int64_t>(startPos) + int64_t{NParams()} * int64_t{sizeof(double)};
    if (startPos < 0 || end > chunk->Size()) return -1;
    for (int i = 0, pos = startPos; i < NParams(); ++i) {
        double value = 0.0;
        pos = chunk->Get(&value, pos);
        if (!std::isfinite(value)) return -1;
    }

    int pos = startPos;
    for (int i = 0; i < NParams() && pos >= 0; ++i) {
        IParam* param = GetParam(i);
        double value = 0.0;
        TRACE("%d %s %f", i, param->GetNameForHost(), param->Value());
        pos = chunk->Get(&value, pos);
        param->Set(value);
    }
    OnParamReset();
    return pos;
}

bool IFxBase::SerializePresets(ByteChunk* chunk) {
    if (!chunk) return false;
    bool saved = true;
    for (int i = 0; i < NPresets() && saved; ++i) {
        const IPreset* preset = mPresets.Get(i);
        saved = chunk->PutStr(preset->mName) > 0;
        TRACE("%d %s", i, preset->mName);
        saved = saved && chunk->PutBool(preset->mInitialized) > 0;
        if (saved && preset->mInitialized) saved = chunk->PutChunk(&preset->mChunk) > 0;
    }
    return saved;
}

int IFxBase::UnserializePresets(const ByteChunk* chunk, int startPos) {
    if (!chunk) return -1;
    int pos = startPos;
    for (int i = 0; i < NPresets() && pos >= 0; ++i) {
        IPreset* preset = mPresets.Get(i);
        // A fresh string per preset: an empty stored name must not inherit the one before it.
        UTL_String name;
        bool initialized = false;
        pos = chunk->GetStr(&name, pos);
        if (pos >= 0) pos = chunk->GetBool(&initialized, pos);
        // The state is read into the live parameters before the preset is touched, so a
        // preset whose record is cut short stays as it was.
        if (pos >= 0 && initialized) pos = UnserializeState(chunk, pos);
        if (pos < 0) break;

        preset->SetName(name.Get());
        TRACE("%d %s", i, preset->mName);
        preset->mInitialized = initialized;
        if (initialized) {
            // Re-made from the live state, never copied from the stream.
            preset->mChunk.Clear();
            SerializeState(&preset->mChunk);
        }
    }
    RestorePreset(mCurrentPresetIdx);
    return pos;
}

void IFxBase::PruneUninitializedPresets() {
    for (int i = NPresets() - 1; i >= 0; --i)
        if (!mPresets.Get(i)->mInitialized) mPresets.Delete(i, true);
}

bool IFxBase::RestorePreset(int index) {
    IPreset* preset = mPresets.Get(index);
    if (!preset) return false;
    bool restored;
    if (preset->mInitialized) {
        restored = UnserializeState(&preset->mChunk, 0) > 0;
    } else {
        // An empty slot captures the current state.
        preset->mInitialized = true;
        char name[IPreset::kNameSize];
        MakeDefaultUserPresetName(mPresets, name, sizeof name);
        preset->SetName(name);
        preset->mChunk.Clear();
        restored = SerializeState(&preset->mChunk);
    }
    if (restored) {
        mCurrentPresetIdx = index;
        PresetsChangedByHost();
        RedrawParamControls();
    }
    return restored;
}

bool IFxBase::RestorePreset(const char* name) {
    if (!name || !*name) return false;
    for (int i = 0; i < NPresets(); ++i)
        if (std::strcmp(mPresets.Get(i)->mName, name) == 0) return RestorePreset(i);
    return false;
}

void IFxBase::ModifyCurrentPreset(const char* name) {
    IPreset* preset = mPresets.Get(mCurrentPresetIdx);
    if (!preset) return;
    preset->mChunk.Clear();
    TRACE("%d %s", mCurrentPresetIdx, preset->mName);
    SerializeState(&preset->mChunk);
    if (name && *name) preset->SetName(name);
}

const char* IFxBase::GetPresetName(int index) const {
    const IPreset* preset = mPresets.Get(index);
    return preset ? preset->mName : "";
}

bool IFxBase::CompareState(const unsigned char* data, int dataSize, int startPos) {
    const int n = NParams();
    if (n == 0) return true;
    const int64_t end = (static_cast<int64_t>(startPos) + n) * int64_t{sizeof(double)};
    if (!data || startPos < 0 || end > dataSize) return false;
    const unsigned char* stored = data + static_cast<size_t>(startPos) * sizeof(double);
    for (int i = 0; i < n; ++i) {
        double value;
        std::memcpy(&value, stored + static_cast<size_t>(i) * sizeof(double), sizeof value);
        const double difference = static_cast<double>(ToFloat(GetParam(i)->Value())) -
                                  static_cast<double>(ToFloat(value));
        if (!(std::fabs(difference) < kCompareTolerance)) return false;
    }
    return true;
}

void IFxBase::InitChunkWithIFxVer(ByteChunk* chunk) {
    if (!chunk) return;
    chunk->Clear();
    const int32_t magic = kIFxVersionMagic, version = kIFxVersion;
    chunk->Put(&magic);
    chunk->Put(&version);
}

int IFxBase::GetIFxVerFromChunk(const ByteChunk* chunk, int* pos) {
    if (!chunk || !pos) return 0;
    int32_t magic = 0, version = 0;
    const int versionPos = chunk->Get(&magic, *pos);
    if (versionPos < 0 || magic != kIFxVersionMagic) return 0;
    const int after = chunk->Get(&version, versionPos);
    if (after < 0) return 0;
    *pos = after;
    return version;
}
