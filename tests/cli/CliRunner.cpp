#include "tests/cli/CliRunner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

extern char** environ;

namespace corvane::test {

namespace {

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "corvane_cli_" + std::to_string(getpid()) + "_" + name;
}

}  // namespace

std::string WriteTempFile(const std::string& name, const std::string& bytes) {
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

namespace {

// Starts the program argv[0] with its output in the two files; 0 when it
// cannot.
pid_t SpawnProgram(std::vector<std::string> argv, const std::string& outPath,
                   const std::string& errPath) {
    std::vector<char*> pointers;
    for (std::string& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : 0;
}

pid_t Spawn(const std::vector<std::string>& arguments, const std::string& outPath,
            const std::string& errPath) {
    std::vector<std::string> argv = {CORVANE_CLI_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return SpawnProgram(std::move(argv), outPath, errPath);
}

// Waits up to timeoutMs for the process; false when it is still running.
bool WaitFor(pid_t pid, int timeoutMs, int& status) {
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return true;
        }
        usleep(10000);
    }
    return false;
}

// The run's exit status and output; the output files are removed.
CliRun Collect(int status, const std::string& outPath, const std::string& errPath) {
    CliRun run;
    if (WIFEXITED(status)) {
        run.exitStatus = WEXITSTATUS(status);
    }
    run.out = ReadWholeFile(outPath);
    run.err = ReadWholeFile(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return run;
}

}  // namespace

CliRun RunCliInterrupted(const std::vector<std::string>& arguments, const std::string& waitFor,
                         int signal) {
    const std::string outPath = TempPath("stdout");
    const std::string errPath = TempPath("stderr");
    CliRun run;
    const pid_t pid = Spawn(arguments, outPath, errPath);
    if (pid == 0) {
        ADD_FAILURE() << "cannot start " << CORVANE_CLI_PATH;
        return run;
    }
    int status = 0;
    bool ended = false;
    for (int waited = 0; waited < 20000 && !ended; waited += 10) {
        if (ReadWholeFile(outPath).find(waitFor) != std::string::npos) {
            break;
        }
        ended = waitpid(pid, &status, WNOHANG) == pid;
        usleep(10000);
    }
    if (!ended) {
        kill(pid, signal);
        if (!WaitFor(pid, 20000, status)) {
            ADD_FAILURE() << "corvane-cli did not end after the signal";
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
    }
    return Collect(status, outPath, errPath);
}

CliRun RunCli(const std::vector<std::string>& arguments) {
    const std::string outPath = TempPath("stdout");
    const std::string errPath = TempPath("stderr");
    CliRun run;
    const pid_t pid = Spawn(arguments, outPath, errPath);
    if (pid == 0) {
        ADD_FAILURE() << "cannot start " << CORVANE_CLI_PATH;
        return run;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return Collect(status, outPath, errPath);
}

CliRun RunProgram(const std::vector<std::string>& argv, int timeoutMs) {
    const std::string outPath = TempPath("stdout");
    const std::string errPath = TempPath("stderr");
    const pid_t pid = SpawnProgram(argv, outPath, errPath);
    if (pid == 0) {
        ADD_FAILURE() << "cannot start " << argv[0];
        return CliRun{};
    }
    int status = 0;
    if (!WaitFor(pid, timeoutMs, status)) {
        ADD_FAILURE() << argv[0] << " did not end within " << timeoutMs << " ms";
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    return Collect(status, outPath, errPath);
}

}  // namespace corvane::test
