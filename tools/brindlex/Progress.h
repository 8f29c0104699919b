#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// A progress bar on stderr for work that takes longer than a second, when stderr is a terminal.
// It appears after the first second and is wiped when the work ends.
class ProgressBar {
public:
    ProgressBar(std::string label, int64_t total);
    // enabled false: never shows (stderr is not a terminal, or the caller wants quiet).
    ProgressBar(std::string label, int64_t total, bool enabled);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Cheap enough to call for every slice: it looks at the clock, and draws at most ten times
    // a second.
    void Update(int64_t done);
    void Finish();

private:
    using Clock = std::chrono::steady_clock;

    std::string mLabel;
    int64_t mTotal;
    bool mEnabled;
    bool mShown = false;
    Clock::time_point mStart;
    Clock::time_point mLastDraw;
};

// One line of the bar, width characters at most: "label [#####.....]  42%".
std::string FormatProgressLine(const std::string& label, int64_t done, int64_t total, int width);
