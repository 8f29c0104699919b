#include "X11TestSupport.h"

#include "Files.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// The environment with DISPLAY replaced (dropped when display is empty).
std::vector<std::string> EnvironmentWith(const std::string& display) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry)
        if (std::string(*entry).rfind("DISPLAY=", 0) != 0) environment.emplace_back(*entry);
    if (!display.empty()) environment.push_back("DISPLAY=" + display);
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The child's descriptor 3 is passedFd when that is not -1.
int Spawn(std::vector<std::string> argv, const std::string& display, const std::string& output,
          int passedFd = -1) {
    std::vector<std::string> environment = EnvironmentWith(display);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (passedFd >= 0) posix_spawn_file_actions_adddup2(&actions, passedFd, 3);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, Pointers(argv).data(),
                    Pointers(environment).data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit status once the process ends within the time; -1 (and the process killed) if not.
int Reap(int pid, double seconds) {
    int status = 0;
    const bool ended = WaitFor(seconds, [&] { return waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

uint32_t BigEndian32(const unsigned char* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 |
           uint32_t(bytes[3]);
}

// The 8-bit value of a channel of a pixel.
uint32_t Channel(uint32_t pixel, uint32_t mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1u))
        ++shift;
    const uint32_t top = mask >> shift;
    return (((pixel & mask) >> shift) * 255 + top / 2) / top;
}

} // namespace

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

XvfbServer::XvfbServer() {
    const std::string xvfb = FindProgram("Xvfb");
    int ends[2];
    if (xvfb.empty() || pipe2(ends, O_CLOEXEC) != 0) return;
    // The server picks a free display itself and writes its number down the pipe once it takes
    // connections, so no other test's server can take the number in between. It does not reset
    // when its last client leaves: a reset drops a client that is still connecting (a slow
    // program started in the window while xdotool came and went). The writing end goes to the
    // child as descriptor 3, so it must not already be 3 (that one would stay close-on-exec).
    const int writeEnd = fcntl(ends[1], F_DUPFD_CLOEXEC, 10);
    close(ends[1]);
    const int pid = writeEnd < 0 ? -1
                                 : Spawn({xvfb, "-displayfd", "3", "-noreset", "-screen", "0",
                                          "1024x768x24", "-nolisten", "tcp"},
                                         "", "/dev/null", writeEnd);
    if (writeEnd >= 0) close(writeEnd);
    std::string number;
    if (pid > 0) {
        WaitFor(10.0, [&] {
            pollfd ready{ends[0], POLLIN, 0};
            if (poll(&ready, 1, 0) != 1) return false;
            char bytes[16];
            const ssize_t count = read(ends[0], bytes, sizeof bytes);
            if (count > 0) number.append(bytes, size_t(count));
            // Done with the line, or when the server closed the pipe without one.
            const bool closed = count == 0 || (count < 0 && errno != EINTR);
            return closed || number.find('\n') != std::string::npos;
        });
    }
    close(ends[0]);
    if (pid <= 0) return;
    const size_t end = number.find('\n');
    if (end == std::string::npos || end == 0) {
        kill(pid, SIGKILL);
        Reap(pid, 5.0);
        return;
    }
    mPid = pid;
    mName = ":" + number.substr(0, end);
}

XvfbServer::~XvfbServer() {
    if (mPid <= 0) return;
    kill(mPid, SIGTERM);
    Reap(mPid, 5.0);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& display,
                           const std::string& outputPath)
    : mPid(Spawn(argv, display, outputPath)) {}

ChildProcess::~ChildProcess() {
    if (mPid > 0) Reap(mPid, 0.0);
}

void ChildProcess::Signal(int signal) const {
    if (mPid > 0) kill(mPid, signal);
}

int ChildProcess::Wait(double seconds) {
    if (mPid <= 0) return -1;
    const int status = Reap(mPid, seconds);
    mPid = -1;
    return status;
}

RunResult RunProgram(const std::vector<std::string>& argv, const std::string& display) {
    char pattern[] = "/tmp/brindlex-x11-run-XXXXXX";
    const int descriptor = mkstemp(pattern);
    if (descriptor < 0) return {};
    close(descriptor);
    RunResult result;
    const int pid = Spawn(argv, display, pattern);
    if (pid > 0) result.status = Reap(pid, 10.0);
    result.output = ReadTextFile(pattern);
    unlink(pattern);
    return result;
}

bool ReadXwd(const std::string& text, XwdImage* image, std::string* error) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    constexpr size_t kHeaderFields = 25;
    auto fail = [&](const std::string& reason) {
        *error = reason;
        return false;
    };
    if (text.size() < kHeaderFields * 4) return fail("shorter than an xwd header");
    uint32_t header[kHeaderFields];
    for (size_t i = 0; i < kHeaderFields; ++i)
        header[i] = BigEndian32(bytes + 4 * i);
    const uint32_t headerSize = header[0], version = header[1], format = header[2];
    const uint32_t width = header[4], height = header[5], byteOrder = header[7];
    const uint32_t bitsPerPixel = header[11], bytesPerLine = header[12], visualClass = header[13];
    const uint32_t masks[3] = {header[14], header[15], header[16]};
    const uint32_t colours = header[19];
    constexpr uint32_t kZPixmap = 2, kTrueColor = 4, kDirectColor = 5, kColourSize = 12;
    if (version != 7) return fail("not an xwd file of version 7");
    if (format != kZPixmap || (visualClass != kTrueColor && visualClass != kDirectColor))
        return fail("not a true-colour ZPixmap dump");
    if (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return fail(std::to_string(bitsPerPixel) + " bits a pixel");
    if (width == 0 || height == 0 || width > 16384 || height > 16384 ||
        bytesPerLine < width * bitsPerPixel / 8)
        return fail("a bad size");
    const uint64_t start = uint64_t(headerSize) + uint64_t(colours) * kColourSize;
    if (headerSize < kHeaderFields * 4 || start + uint64_t(bytesPerLine) * height > text.size())
        return fail("shorter than its picture");

    image->width = static_cast<int>(width);
    image->height = static_cast<int>(height);
    image->pixels.assign(size_t(width) * height, 0);
    const size_t pixelBytes = bitsPerPixel / 8;
    for (uint32_t y = 0; y < height; ++y) {
        const unsigned char* row = bytes + start + size_t(y) * bytesPerLine;
        for (uint32_t x = 0; x < width; ++x) {
            const unsigned char* at = row + x * pixelBytes;
            uint32_t pixel = 0;
            for (size_t b = 0; b < pixelBytes; ++b)
                pixel |= uint32_t(at[b]) << (byteOrder == 0 ? 8 * b : 8 * (pixelBytes - 1 - b));
            image->pixels[size_t(y) * width + x] = Channel(pixel, masks[0]) << 16 |
                                                   Channel(pixel, masks[1]) << 8 |
                                                   Channel(pixel, masks[2]);
        }
    }
    return true;
}
