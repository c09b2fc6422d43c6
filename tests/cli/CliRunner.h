// Runs the built corvane-cli as a separate process and collects what it
// prints and how it exits.
#pragma once

#include <string>
#include <vector>

namespace corvane::test {

struct CliRun {
    int exitStatus = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

CliRun RunCli(const std::vector<std::string>& arguments);

// Runs corvane-cli and sends it `signal` once its standard output contains
// `waitFor` (within 20 s); fails the test when it has not ended 20 s later.
CliRun RunCliInterrupted(const std::vector<std::string>& arguments, const std::string& waitFor,
                         int signal);

// Runs any program (argv[0] a path) the same way; fails the test and kills
// it when it has not ended within timeoutMs.
CliRun RunProgram(const std::vector<std::string>& argv, int timeoutMs);

// A file under the test's temporary directory, written with the bytes given.
std::string WriteTempFile(const std::string& name, const std::string& bytes);
std::string ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace corvane::test
