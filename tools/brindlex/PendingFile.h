#pragma once

#include <cstddef>
#include <string>

// An output file that appears whole or not at all. The bytes go to a temporary file first; a
// failure, or an interrupt, leaves the target as it was (the temporary file goes when the
// object goes, and on SIGINT, SIGTERM and SIGHUP).
//
// A plain file (or a symbolic link to one) is written in the target's folder and renamed over
// it on Commit, keeping an existing file's permissions; a link stays a link. Standard output
// ("-"), a FIFO or a character device is a stream: the temporary file is copied into it on
// Commit, so the stream's reader gets a complete file and the node itself stays.
class PendingFile {
public:
    // Throws CommandError naming the target when it cannot be written: a folder, a read-only
    // file, a missing or unwritable folder.
    explicit PendingFile(const std::string& targetPath);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& TargetPath() const { return mTargetPath; }
    bool IsStream() const { return mIsStream; }
    // The temporary file: always a plain file, so it can be written out of order.
    int Descriptor() const { return mDescriptor; }
    void Write(const void* data, size_t size);
    // Closes the file and renames it over the target, or copies it into the stream.
    void Commit();

private:
    void OpenBeside(const std::string& finalPath);
    void OpenForStream();
    void CopyIntoStream();

    std::string mTargetPath;
    std::string mFinalPath; // the target with its symbolic links followed
    std::string mTemporaryPath;
    bool mIsStream = false;
    int mDescriptor = -1;
    int mSlot = -1; // in the interrupt clean-up table
};

// Whether the path is standard output ("-"), a FIFO or a character device: written as a stream.
bool IsStreamTarget(const std::string& path);

// Whether the two name the same existing file (device and inode, links followed); "-" is
// standard input as input and standard output as output.
bool IsSameFile(const std::string& inputPath, const std::string& outputPath);
