// The corvane program: reads the command line, then runs the application
// over Qt windows on the hosted Linux system. Returns the exit code.
#pragma once

namespace corvane::qt {

int RunCorvane(int argc, char** argv);

}  // namespace corvane::qt
