// brindlex: the command-line host of the Brindlex effect.

#include "CommandError.h"
#include "Commands.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    int status = 1;
    try {
        status = RunCommand(ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc)));
    } catch (const CommandError& error) {
        std::fprintf(stderr, "brindlex: %s\n", error.what());
        return error.ExitStatus();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "brindlex: %s\n", error.what());
        return 1;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "brindlex: standard output: write failed\n");
        return 1;
    }
    return status;
}
