#pragma once

// Temporary folders and whole-file reads and writes for tests.

#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with its contents at the end
// (also when a test took its permissions away).
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return mPath; }
    std::string operator/(const std::string& name) const { return mPath + "/" + name; }
    // Names of the entries, hidden ones included, sorted.
    std::vector<std::string> Entries() const;

private:
    std::string mPath;
};

void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);
bool FileExists(const std::string& path);
