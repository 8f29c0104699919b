#include "Trace.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

namespace trace_detail {
std::atomic<bool> gEnabled{false};
}

namespace {
std::mutex gLogMutex;
FILE* gLog = nullptr;
bool gLogIsFile = false;

void CloseLog() {
    if (gLogIsFile && gLog) std::fclose(gLog);
    gLog = nullptr;
    gLogIsFile = false;
}

void OpenLogFromEnvironment() {
    std::lock_guard<std::mutex> lock(gLogMutex);
    CloseLog();
    const char* destination = std::getenv("BRINDLEX_TRACE");
    if (destination && *destination) {
        if (std::strcmp(destination, "stderr") == 0) {
            gLog = stderr;
        } else if ((gLog = std::fopen(destination, "a"))) {
            gLogIsFile = true;
        }
    }
    trace_detail::gEnabled.store(gLog != nullptr, std::memory_order_relaxed);
}

// Reads the environment once when the program starts.
const bool gConfigured = (OpenLogFromEnvironment(), true);
} // namespace

void TraceReconfigure() {
    OpenLogFromEnvironment();
}

const char* CurrentTime() {
    thread_local char text[32];
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const long millis = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    const size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + length, sizeof text - length, ".%03ld", millis);
    return text;
}

void Trace(const char* function, int line, const char* format, ...) {
    (void)gConfigured;
    if (!TraceEnabled()) return;
    char message[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(gLogMutex);
    if (!gLog) return;
    std::fprintf(gLog, "%s %s:%d %s\n", CurrentTime(), function ? function : "", line, message);
    std::fflush(gLog);
}
