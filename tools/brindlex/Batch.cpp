#include "Batch.h"

#include "CommandError.h"
#include "Commands.h"
#include "Progress.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

CommandError BatchError(const std::string& subject, const std::string& problem) {
    return CommandError(subject, problem, CommandError::kUsage);
}

// The folder exists, or can be made: its nearest existing ancestor is a folder we may write in.
void CheckOutputFolder(const std::string& folder) {
    std::error_code error;
    const std::string subject = "-o " + folder;
    if (folder == "-") throw BatchError(subject, "standard output cannot hold several files");
    if (fs::exists(folder, error)) {
        if (!fs::is_directory(folder, error))
            throw BatchError(subject, "exists and is not a folder");
        if (access(folder.c_str(), W_OK | X_OK) != 0)
            throw BatchError(subject, std::string("cannot write in it: ") + std::strerror(errno));
        return;
    }
    fs::path ancestor = fs::absolute(folder, error).parent_path();
    while (!ancestor.empty() && !fs::exists(ancestor, error) && ancestor != ancestor.root_path())
        ancestor = ancestor.parent_path();
    if (!fs::is_directory(ancestor, error))
        throw BatchError(subject, "cannot be made: " + ancestor.string() + " is not a folder");
    if (access(ancestor.c_str(), W_OK | X_OK) != 0)
        throw BatchError(subject,
                         "cannot be made in " + ancestor.string() + ": " + std::strerror(errno));
}

struct Job {
    std::string input, output;
};

std::vector<Job> PlanJobs(const Invocation& invocation) {
    std::vector<Job> jobs;
    std::map<std::string, std::string> claimed; // output, by the input that claimed it
    for (const std::string& input : invocation.operands) {
        if (input == "-") throw BatchError("-", "standard input cannot be one of the inputs of -o");
        fs::path name = fs::path(input).filename();
        if (name.empty() || name == "." || name == "..")
            throw BatchError(input, "not a file name to name an output by");
        if (!invocation.outputType.empty()) name.replace_extension(invocation.outputType);
        const std::string output = (fs::path(invocation.outputFolder) / name).string();
        const auto [previous, isNew] = claimed.emplace(output, input);
        if (!isNew)
            throw BatchError(input, "would be written to " + output + " as " + previous->second +
                                        " is; rename one of them");
        CheckDistinctFiles(input, output);
        jobs.push_back({input, output});
    }
    return jobs;
}

// One render running in a child process, its messages read through a pipe.
struct Worker {
    const Job* job = nullptr;
    pid_t pid = -1;
    int messages = -1;
    std::string pending; // a message line not yet complete
    bool said = false;   // it reported something itself
};

// Runs the work in a child process with its standard output going nowhere and its messages
// into messageEnd (our own stderr when -1). The child is a copy of this process, which has made
// no instance of the effect: its first instance starts as in a process of its own.
pid_t Fork(const std::function<void()>& work, int messageEnd) {
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int nowhere = open("/dev/null", O_WRONLY);
    dup2(nowhere, STDOUT_FILENO);
    if (messageEnd >= 0) dup2(messageEnd, STDERR_FILENO);
    const int status = ReportingFailures([&] {
        work();
        return 0;
    });
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(status);
}

int Wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

Worker Start(const Invocation& invocation, const Job& job) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw CommandError(job.input,
                           std::string("cannot start its render: ") + std::strerror(errno));
    Worker worker;
    worker.job = &job;
    worker.pid = Fork([&] { RenderOneFile(invocation, job.input, job.output); }, pipeEnds[1]);
    close(pipeEnds[1]);
    if (worker.pid < 0) {
        close(pipeEnds[0]);
        throw CommandError(job.input,
                           std::string("cannot start its render: ") + std::strerror(errno));
    }
    worker.messages = pipeEnds[0];
    return worker;
}

// Passes a worker's complete message lines on. Its notes about the settings were given once
// already, before the batch began.
void PassOn(Worker& worker, ProgressBar& progress) {
    size_t end;
    while ((end = worker.pending.find('\n')) != std::string::npos) {
        const std::string line = worker.pending.substr(0, end + 1);
        worker.pending.erase(0, end + 1);
        if (line.rfind(kNotePrefix, 0) == 0) continue;
        progress.Finish();
        std::fputs(line.c_str(), stderr);
        if (line.rfind("brindlex: warning: ", 0) != 0) worker.said = true;
    }
}

// Waits for the worker to end; whether its file was rendered.
bool Finish(Worker& worker, ProgressBar& progress) {
    close(worker.messages);
    if (!worker.pending.empty()) worker.pending += '\n';
    PassOn(worker, progress);
    const int status = Wait(worker.pid);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (!worker.said) {
        progress.Finish();
        const std::string how = WIFSIGNALED(status)
                                    ? std::string("killed by ") + strsignal(WTERMSIG(status))
                                    : "failed with status " + std::to_string(WEXITSTATUS(status));
        std::fprintf(stderr, "brindlex: %s: its render %s\n", worker.job->input.c_str(),
                     how.c_str());
    }
    return false;
}

} // namespace

int RenderBatch(const Invocation& invocation) {
    CheckOutputFolder(invocation.outputFolder);
    const std::vector<Job> jobs = PlanJobs(invocation);
    // Loaded once here, so that no child loads it again; but no instance is made here.
    LoadComponentEntry(LocateComponentBundle(invocation.componentPath));
    // The settings are checked (and their notes given) once, by a child of their own, rather
    // than by every worker.
    const pid_t checker = Fork(
        [&] {
            EffectUnit unit(LocateComponentBundle(invocation.componentPath));
            ApplyEffectSettings(unit, invocation.presetPath, invocation.settings);
        },
        -1);
    if (checker < 0)
        throw CommandError("brindlex",
                           std::string("cannot check the settings: ") + std::strerror(errno));
    const int checked = Wait(checker);
    if (!WIFEXITED(checked) || WEXITSTATUS(checked) != 0)
        return WIFEXITED(checked) ? WEXITSTATUS(checked) : 1;
    std::error_code error;
    fs::create_directories(invocation.outputFolder, error);
    if (error)
        throw BatchError("-o " + invocation.outputFolder, "cannot be made: " + error.message());

    const size_t most = invocation.jobs > 0 ? static_cast<size_t>(invocation.jobs)
                                            : std::max(1u, std::thread::hardware_concurrency());
    ProgressBar progress("Rendering " + std::to_string(jobs.size()) + " files",
                         static_cast<int64_t>(jobs.size()));
    std::vector<Worker> running;
    size_t next = 0, rendered = 0, failed = 0;
    while (next < jobs.size() || !running.empty()) {
        while (next < jobs.size() && running.size() < most) {
            try {
                running.push_back(Start(invocation, jobs[next++]));
            } catch (const CommandError& error) {
                // That file fails; the others go on.
                progress.Finish();
                std::fprintf(stderr, "brindlex: %s\n", error.what());
                ++failed;
            }
        }
        if (running.empty()) continue;
        std::vector<pollfd> waits;
        for (const Worker& worker : running)
            waits.push_back({worker.messages, POLLIN, 0});
        if (poll(waits.data(), waits.size(), -1) < 0 && errno != EINTR)
            throw CommandError("brindlex",
                               std::string("waiting for renders: ") + std::strerror(errno));
        for (size_t i = waits.size(); i-- > 0;) {
            if (!waits[i].revents) continue;
            Worker& worker = running[i];
            char buffer[4096];
            const ssize_t got = read(worker.messages, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got > 0) {
                worker.pending.append(buffer, static_cast<size_t>(got));
                PassOn(worker, progress);
                continue;
            }
            (Finish(worker, progress) ? rendered : failed)++;
            running.erase(running.begin() + static_cast<long>(i));
            progress.Update(static_cast<int64_t>(rendered + failed));
        }
    }
    progress.Finish();
    std::printf("Rendered %zu of %zu files into %s", rendered, jobs.size(),
                invocation.outputFolder.c_str());
    if (failed) std::printf("; %zu failed", failed);
    std::printf("\n");
    return failed ? 1 : 0;
}
