#include "UTL_Assert.h"

#include "Trace.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
// The build maps __FILE__ to a path relative to the project root; drop the extension so the
// message names the source as "framework/IFx/IFxBase".
std::string SourceName(const char* file) {
    std::string name(file ? file : "");
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.erase(dot);
    return name;
}
} // namespace

void UTL_AssertFailed(const char* file, int line, const char* function, const char* condition) {
    const std::string source = SourceName(file);
    Trace(function, line, "assertion failed: %s (%s)", condition, source.c_str());
    std::fprintf(stderr, "%s:%d: %s: Assertion `%s' failed.\n", source.c_str(), line, function,
                 condition);
    std::fflush(stderr);
    std::abort();
}
