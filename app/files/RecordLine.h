// One record line of a firmware file, read the way a 512-byte line buffer
// reads it: at most 511 characters, the rest of a longer line comes back as
// a line of its own.
#pragma once

#include <cstddef>
#include <cstdio>

namespace corvane {

inline constexpr size_t kRecordLineBuffer = 512;

struct RecordLine {
    char text[kRecordLineBuffer] = {};  // the line without its line end, NUL-terminated
    size_t length = 0;                  // characters before the first NUL
};

// Reads the next line; false at end of file. A CR LF pair counts as one line
// feed whatever mode the stream was opened in, so a file written on Windows
// reads the same on every system. The line feed ends the line and is not part
// of the text.
bool ReadRecordLine(FILE* source, RecordLine& line);

}  // namespace corvane
