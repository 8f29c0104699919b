// Base64 and the developer dumps that write presets out as source text.
#include "IFxBase.h"

#include <climits>
#include <cstdio>
#include <string>

namespace {
constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// The base64 text of a chunk, sized to the chunk so that no chunk is too large for it. False
// only for a chunk whose text would not fit the int range.
bool Base64Text(const ByteChunk& chunk, std::string* text) {
    const int length = Base64EncodedLength(chunk.Size());
    if (length < 0 || length == INT_MAX) return false;
    text->assign(static_cast<size_t>(length) + 1, '\0');
    base64encode(chunk.GetBytes(), chunk.Size(), text->data(), length + 1);
    text->resize(static_cast<size_t>(length));
    return true;
}

// The text as the file's whole content; false when the file cannot be opened or written.
bool WriteTextFile(const char* path, const UTL_String& text) {
    if (!path) return false;
    FILE* file = std::fopen(path, "w");
    if (!file) return false;
    const size_t length = static_cast<size_t>(text.GetLength());
    const bool written = std::fwrite(text.Get(), 1, length, file) == length;
    return std::fclose(file) == 0 && written;
}

void AppendBlobLine(UTL_String* text, const char* name, const std::string& blob, int size) {
    text->AppendFormatted("MakePresetFromBlob(\"%s\", \"%s\", %i);\n", name, blob.c_str(), size);
}
} // namespace

int Base64EncodedLength(int length) {
    if (length <= 0) return 0;
    const int64_t encoded = (static_cast<int64_t>(length) + 2) / 3 * 4;
    return encoded > INT_MAX ? -1 : static_cast<int>(encoded);
}

int base64encode(const unsigned char* in, int length, char* out, int outSize) {
    if (!out || outSize <= 0) return -1;
    *out = '\0';
    const int encodedLength = Base64EncodedLength(length);
    if (length < 0 || (length > 0 && !in) || encodedLength < 0 || encodedLength >= outSize)
        return -1;

    // Only the low bits of the accumulator are ever read, so letting the unsigned value
    // wrap is harmless.
    uint32_t bits = 0;
    int pending = 0;
    char* text = out;
    for (int i = 0; i < length; ++i) {
        bits = (bits << 8) | in[i];
        pending += 8;
        while (pending >= 6) {
            pending -= 6;
            *text++ = kBase64Alphabet[(bits >> pending) & 0x3F];
        }
    }
    if (pending == 4) {
        *text++ = kBase64Alphabet[(bits << 2) & 0x3F];
        *text++ = '=';
    } else if (pending == 2) {
        *text++ = kBase64Alphabet[(bits << 4) & 0x3F];
        *text++ = '=';
        *text++ = '=';
    }
    *text = '\0';
    return static_cast<int>(text - out);
}

int base64decode(const char* in, unsigned char* out, int maxBytes) {
    if (!in || !out) return 0;
    uint32_t bits = 0;
    int pending = 0, written = 0;
    for (; *in; ++in) {
        const int value = Base64Value(*in);
        if (value < 0) break; // "=" ends the text like any character outside the alphabet
        bits = (bits << 6) | static_cast<uint32_t>(value);
        pending += 6;
        if (pending >= 8) {
            pending -= 8;
            if (written < maxBytes) out[written++] = static_cast<unsigned char>(bits >> pending);
        }
    }
    return written;
}

bool IFxBase::DumpPresetSrcCode(const char* path, const char* const* paramNames) const {
    if (!paramNames) return false;
    UTL_String text;
    text.SetFormatted("  MakePresetFromNamedParams(\"name\", %d", NParams());
    for (int i = 0; i < NParams(); ++i) {
        const IParam* param = GetParam(i);
        // The value text is never cut: a cut number would be a different number.
        UTL_String value;
        switch (param->Type()) {
        case kParamKindBool:
            value.Set(param->Bool() ? "true" : "false");
            break;
        case kParamKindInt:
        case kParamKindEnum:
            value.SetFormatted("%d", param->Int());
            break;
        default:
            value.SetFormatted("%.6f", param->Value());
            break;
        }
        text.AppendFormatted(",\n    %s, %s", paramNames[i] ? paramNames[i] : "", value.Get());
    }
    text.Append(");\n");
    return WriteTextFile(path, text);
}

bool IFxBase::DumpPresetBlob(const char* path) const {
    const IPreset* preset = mPresets.Get(mCurrentPresetIdx);
    std::string blob;
    if (!preset || !Base64Text(preset->mChunk, &blob)) return false;
    UTL_String text;
    AppendBlobLine(&text, "name", blob, preset->mChunk.Size());
    return WriteTextFile(path, text);
}

bool IFxBase::DumpBankBlob(const char* path) const {
    UTL_String text;
    std::string blob;
    for (int i = 0; i < NPresets(); ++i) {
        const IPreset* preset = mPresets.Get(i);
        if (!Base64Text(preset->mChunk, &blob)) return false;
        AppendBlobLine(&text, preset->mName, blob, preset->mChunk.Size());
    }
    return WriteTextFile(path, text);
}
