#pragma once

#include <stdexcept>
#include <string>

// A failure a command reports as one line, "subject: problem", where the subject is the file or
// argument at fault, before it exits with a non-zero status.
class CommandError : public std::runtime_error {
public:
    enum Kind {
        kFailure = 1, // the command could not do its work: files, the component, the effect
        kUsage = 2,   // the command line itself is wrong
    };

    CommandError(const std::string& subject, const std::string& problem, Kind kind = kFailure)
        : std::runtime_error(subject.empty() ? problem : subject + ": " + problem), mKind(kind) {}

    Kind GetKind() const { return mKind; }
    int ExitStatus() const { return static_cast<int>(mKind); }

private:
    Kind mKind;
};
