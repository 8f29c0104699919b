#pragma once

// Programming errors stop the program with the source file (as the project names it, without
// extension), the line and the condition that failed. Active in every build type.
[[noreturn]] void UTL_AssertFailed(const char* file, int line, const char* function,
                                   const char* condition);

#define UTL_ASSERT(condition)                                                                      \
    ((condition) ? static_cast<void>(0)                                                            \
                 : UTL_AssertFailed(__FILE__, __LINE__, __func__, #condition))
