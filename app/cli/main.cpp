// corvane-cli: the terminal front end.
#include <cstdio>

#include "app/cli/CommandLine.h"

int main(int argc, char** argv) {
    return corvane::cli::RunCommandLine(argc, argv, {stdout, stderr});
}
