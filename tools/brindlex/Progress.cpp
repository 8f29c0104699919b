#include "Progress.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr auto kDelay = std::chrono::seconds(1);
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kLineWidth = 60;

} // namespace

ProgressBar::ProgressBar(std::string label, int64_t total)
    : ProgressBar(std::move(label), total, isatty(STDERR_FILENO) == 1) {}

ProgressBar::ProgressBar(std::string label, int64_t total, bool enabled)
    : mLabel(std::move(label)), mTotal(total), mEnabled(enabled), mStart(Clock::now()),
      mLastDraw(mStart) {}

ProgressBar::~ProgressBar() {
    Finish();
}

void ProgressBar::Update(int64_t done) {
    if (!mEnabled) return;
    const Clock::time_point now = Clock::now();
    if (now - mStart < kDelay || (mShown && now - mLastDraw < kRedrawInterval)) return;
    mLastDraw = now;
    mShown = true;
    std::fprintf(stderr, "\r%s", FormatProgressLine(mLabel, done, mTotal, kLineWidth).c_str());
    std::fflush(stderr);
}

void ProgressBar::Finish() {
    if (!mShown) return;
    mShown = false;
    std::fprintf(stderr, "\r%*s\r", kLineWidth, "");
    std::fflush(stderr);
}

std::string FormatProgressLine(const std::string& label, int64_t done, int64_t total, int width) {
    const double fraction =
        total > 0 ? std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0)
                  : 0.0;
    const std::string percent =
        total > 0 ? std::to_string(static_cast<int>(fraction * 100)) + "%" : std::string("...");
    // label, " [", the bar, "]  ", "100%"
    const int barWidth = width - static_cast<int>(label.size()) - 9;
    if (barWidth < 4)
        return (label + " " + percent).substr(0, static_cast<size_t>(std::max(width, 0)));
    const int filled = static_cast<int>(fraction * barWidth);
    std::string line = label + " [";
    line.append(static_cast<size_t>(filled), '#');
    line.append(static_cast<size_t>(barWidth - filled), '.');
    line += "]  " + percent;
    return line;
}
