#pragma once

#include <cstddef>
#include <string>

// A file written under a temporary name in its target's folder and renamed over the target only
// once complete, so that a failure, or an interrupt, never leaves a half-written target: the
// temporary file goes when the object goes, and on SIGINT, SIGTERM and SIGHUP.
class PendingFile {
public:
    // Throws CommandError naming the target when it cannot be written: a folder, a read-only
    // file, a missing or unwritable folder.
    explicit PendingFile(const std::string& targetPath);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& TargetPath() const { return mTargetPath; }
    int Descriptor() const { return mDescriptor; }
    void Write(const void* data, size_t size);
    // Closes the file and renames it over the target.
    void Commit();

private:
    std::string mTargetPath;
    std::string mTemporaryPath;
    int mDescriptor = -1;
    int mSlot = -1; // in the interrupt clean-up table
};
