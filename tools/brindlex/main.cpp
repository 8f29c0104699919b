// brindlex: the command-line host of the Brindlex effect.

#include "Commands.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const int status = ReportingFailures([&] {
        return RunCommand(ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc)));
    });
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "brindlex: standard output: write failed\n");
        return 1;
    }
    return status;
}
