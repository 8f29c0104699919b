#pragma once

#include <atomic>

// Diagnostic trace log. Off unless the environment variable BRINDLEX_TRACE names a destination:
// a file path (lines are appended), or "stderr". When off, TRACE costs one relaxed load and
// evaluates none of its arguments.

namespace trace_detail {
extern std::atomic<bool> gEnabled;
}

inline bool TraceEnabled() {
    return trace_detail::gEnabled.load(std::memory_order_relaxed);
}

// Writes one line: time stamp, calling function, line number and the formatted message.
void Trace(const char* function, int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Re-reads BRINDLEX_TRACE; the log otherwise reads it once, when the program starts.
void TraceReconfigure();

// Local wall-clock time as "YYYY-MM-DD HH:MM:SS.mmm"; the text lives until the thread's next call.
const char* CurrentTime();

#define TRACE(...)                                                                                 \
    do {                                                                                           \
        if (TraceEnabled()) Trace(__func__, __LINE__, __VA_ARGS__);                                \
    } while (0)
