#pragma once

// Helpers for the tests that show windows on a real X server: a private Xvfb, programs run on
// it (xdotool, xwd, the command-line host), and the reader of xwd's window dumps.

#include <cstdint>
#include <string>
#include <vector>

// The path of a program on $PATH; empty when there is none.
std::string FindProgram(const std::string& name);

// Xvfb on a display number it finds free, with one 1024 x 768 screen of 24 bits, taking
// connections once constructed; it ends with the object. Running() is false when none could be
// started.
class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool Running() const { return mPid > 0; }
    const std::string& Name() const { return mName; } // ":1"

private:
    int mPid = -1;
    std::string mName;
};

// A program started with DISPLAY set, its standard output and error going to a file.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::string& display,
                 const std::string& outputPath);
    ~ChildProcess(); // kills it when still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return mPid > 0; }
    void Signal(int signal) const;
    // The exit status; -1 when it did not end by itself within the time (it is then killed).
    int Wait(double seconds);

private:
    int mPid = -1;
};

// Runs a program to its end (at most 10 s) and answers its exit status and its output.
struct RunResult {
    int status = -1;
    std::string output;
};
RunResult RunProgram(const std::vector<std::string>& argv, const std::string& display);

// Polls the condition every 20 ms until it holds or the time is up; whether it held.
template <class Condition> bool WaitFor(double seconds, Condition condition);

// An X window dump as xwd writes it (format 7), in 0xRRGGBB pixels, rows from the top.
struct XwdImage {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};
// Reads a dump of a true-colour window (ZPixmap, 16, 24 or 32 bits a pixel); false, with the
// reason, for anything else or a short file.
bool ReadXwd(const std::string& bytes, XwdImage* image, std::string* error);

#include <chrono>
#include <thread>

template <class Condition> bool WaitFor(double seconds, Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
