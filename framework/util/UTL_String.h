#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

// Copies source into a fixed-size text field: at most destSize - 1 bytes, always terminated
// (when destSize > 0). A null source gives "".
void UTL_CopyText(char* dest, size_t destSize, const char* source);

// Growable, NUL-terminated byte string. Get() never returns null.
class UTL_String {
public:
    UTL_String() = default;
    explicit UTL_String(const char* text) { Set(text); }

    const char* Get() const { return mText.c_str(); }
    int GetLength() const { return static_cast<int>(mText.size()); }
    bool Empty() const { return mText.empty(); }

    // maxLength < 0 copies the whole text; otherwise at most maxLength bytes.
    void Set(const char* text, int maxLength = -1);
    void Append(const char* text, int maxLength = -1);
    void SetFormatted(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void AppendFormatted(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Clear() { mText.clear(); }

    bool operator==(const char* text) const { return mText == (text ? text : ""); }

private:
    void AppendFormattedV(const char* format, va_list args);

    std::string mText;
};
