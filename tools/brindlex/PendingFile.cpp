#include "PendingFile.h"

#include "CommandError.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Temporary files to remove if the process is interrupted. Fixed storage, so that the signal
// handler only reads memory and calls unlink().
constexpr int kSlots = 8;
constexpr size_t kPathRoom = 4096;
char gSlotPaths[kSlots][kPathRoom];
std::atomic<bool> gSlotUsed[kSlots];

extern "C" void RemovePendingFilesAndRaise(int signal) {
    for (int i = 0; i < kSlots; ++i)
        if (gSlotUsed[i].load()) unlink(gSlotPaths[i]);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

int ClaimSlot(const std::string& path) {
    static std::once_flag handlersInstalled;
    std::call_once(handlersInstalled, [] {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            std::signal(signal, RemovePendingFilesAndRaise);
    });
    if (path.size() >= kPathRoom) return -1;
    for (int i = 0; i < kSlots; ++i) {
        if (gSlotUsed[i].load()) continue;
        std::memcpy(gSlotPaths[i], path.c_str(), path.size() + 1);
        gSlotUsed[i].store(true);
        return i;
    }
    return -1;
}

void ReleaseSlot(int slot) {
    if (slot >= 0) gSlotUsed[slot].store(false);
}

mode_t DefaultFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// The file a path finally names, its symbolic links followed one by one, so that a dangling
// link names the file it will create.
fs::path FollowLinks(fs::path path) {
    constexpr int kMostLinks = 40; // as the kernel allows
    std::error_code error;
    for (int i = 0; i < kMostLinks && fs::is_symlink(path, error); ++i) {
        const fs::path link = fs::read_symlink(path, error);
        if (error) break;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path;
}

bool StatusOf(const std::string& path, int standardStream, struct stat& status) {
    return path == "-" ? fstat(standardStream, &status) == 0 : stat(path.c_str(), &status) == 0;
}

} // namespace

PendingFile::PendingFile(const std::string& targetPath) : mTargetPath(targetPath) {
    if (IsStreamTarget(targetPath)) {
        OpenForStream();
    } else {
        OpenBeside(FollowLinks(targetPath).string());
    }
}

void PendingFile::OpenBeside(const std::string& finalPath) {
    mFinalPath = finalPath;
    std::error_code error;
    const fs::path target(finalPath);
    if (fs::is_directory(target, error)) throw CommandError(mTargetPath, "is a folder");
    struct stat existing {};
    const bool exists = stat(finalPath.c_str(), &existing) == 0;
    if (exists && access(finalPath.c_str(), W_OK) != 0)
        throw CommandError(mTargetPath, std::string("cannot replace it: ") + std::strerror(errno));
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    if (!fs::exists(folder, error))
        throw CommandError(mTargetPath, "folder " + folder.string() + " does not exist");
    if (!fs::is_directory(folder, error))
        throw CommandError(mTargetPath, folder.string() + " is not a folder");

    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    mDescriptor = mkstemp(pattern.data());
    if (mDescriptor < 0)
        throw CommandError(mTargetPath, "cannot write in folder " + folder.string() + ": " +
                                            std::strerror(errno));
    mTemporaryPath = pattern;
    mSlot = ClaimSlot(mTemporaryPath);
    // mkstemp makes the file private; the result gets the permissions the old file had, or
    // the usual ones.
    fchmod(mDescriptor, exists ? existing.st_mode & 07777 : DefaultFileMode());
}

void PendingFile::OpenForStream() {
    mIsStream = true;
    const char* folder = std::getenv("TMPDIR");
    if (!folder || !*folder) folder = "/tmp";
    // Nameless, so nothing is left behind whatever happens to the process; where the file
    // system cannot make one, a named file that loses its name at once.
    mDescriptor = open(folder, O_TMPFILE | O_RDWR, 0600);
    if (mDescriptor < 0) {
        std::string pattern = std::string(folder) + "/brindlex-XXXXXX";
        mDescriptor = mkstemp(pattern.data());
        if (mDescriptor >= 0) unlink(pattern.c_str());
    }
    if (mDescriptor < 0)
        throw CommandError(mTargetPath, std::string("cannot make a temporary file in ") + folder +
                                            ": " + std::strerror(errno));
}

PendingFile::~PendingFile() {
    if (mDescriptor >= 0) close(mDescriptor);
    if (!mTemporaryPath.empty()) unlink(mTemporaryPath.c_str());
    ReleaseSlot(mSlot);
}

void PendingFile::Write(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(mDescriptor, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0)
            throw CommandError(mTargetPath, std::string("write failed: ") + std::strerror(errno));
        bytes += written;
        size -= static_cast<size_t>(written);
    }
}

void PendingFile::CopyIntoStream() {
    const int stream = mTargetPath == "-" ? STDOUT_FILENO : open(mTargetPath.c_str(), O_WRONLY);
    if (stream < 0)
        throw CommandError(mTargetPath, std::string("cannot open: ") + std::strerror(errno));
    std::vector<char> buffer(1 << 20);
    off_t offset = 0;
    std::string failure;
    for (;;) {
        const ssize_t got = pread(mDescriptor, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got < 0) failure = std::string("read back failed: ") + std::strerror(errno);
            break;
        }
        offset += got;
        for (ssize_t done = 0; done < got && failure.empty();) {
            const ssize_t put =
                write(stream, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0)
                failure = std::string("write failed: ") + std::strerror(errno);
            else
                done += put;
        }
        if (!failure.empty()) break;
    }
    if (stream != STDOUT_FILENO) close(stream);
    if (!failure.empty()) throw CommandError(mTargetPath, failure);
}

void PendingFile::Commit() {
    if (mIsStream) {
        CopyIntoStream();
        close(mDescriptor);
        mDescriptor = -1;
        return;
    }
    const int descriptor = mDescriptor;
    mDescriptor = -1;
    if (close(descriptor) != 0)
        throw CommandError(mTargetPath, std::string("write failed: ") + std::strerror(errno));
    if (rename(mTemporaryPath.c_str(), mFinalPath.c_str()) != 0)
        throw CommandError(mTargetPath, std::string("cannot replace it: ") + std::strerror(errno));
    mTemporaryPath.clear();
    ReleaseSlot(mSlot);
    mSlot = -1;
}

bool IsStreamTarget(const std::string& path) {
    struct stat status {};
    return path == "-" || (stat(path.c_str(), &status) == 0 &&
                           (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode)));
}

bool IsSameFile(const std::string& inputPath, const std::string& outputPath) {
    struct stat input {
    }, output{};
    return StatusOf(inputPath, STDIN_FILENO, input) &&
           StatusOf(outputPath, STDOUT_FILENO, output) && S_ISREG(input.st_mode) &&
           input.st_dev == output.st_dev && input.st_ino == output.st_ino;
}
