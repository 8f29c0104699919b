#include "PendingFile.h"

#include "CommandError.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

PendingFile::PendingFile(const std::string& targetPath) : mTargetPath(targetPath) {
    std::error_code error;
    const fs::path target(targetPath);
    if (fs::is_directory(target, error)) throw CommandError(targetPath, "is a folder");
    if (fs::exists(target, error) && access(targetPath.c_str(), W_OK) != 0)
        throw CommandError(targetPath, std::string("cannot replace it: ") + std::strerror(errno));
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    if (!fs::exists(folder, error))
        throw CommandError(targetPath, "folder " + folder.string() + " does not exist");
    if (!fs::is_directory(folder, error))
        throw CommandError(targetPath, folder.string() + " is not a folder");

    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    mDescriptor = mkstemp(pattern.data());
    if (mDescriptor < 0)
        throw CommandError(targetPath, "cannot write in folder " + folder.string() + ": " +
                                           std::strerror(errno));
    mTemporaryPath = pattern;
    mSlot = ClaimSlot(mTemporaryPath);
    // mkstemp makes the file private; the result should get the usual permissions.
    fchmod(mDescriptor, DefaultFileMode());
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

void PendingFile::Commit() {
    const int descriptor = mDescriptor;
    mDescriptor = -1;
    if (close(descriptor) != 0)
        throw CommandError(mTargetPath, std::string("write failed: ") + std::strerror(errno));
    if (rename(mTemporaryPath.c_str(), mTargetPath.c_str()) != 0)
        throw CommandError(mTargetPath, std::string("cannot replace it: ") + std::strerror(errno));
    mTemporaryPath.clear();
    ReleaseSlot(mSlot);
    mSlot = -1;
}
