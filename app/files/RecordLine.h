// One record line of a firmware file, read the way a fixed line buffer reads
// it: a line longer than the buffer holds comes back in pieces, and the
// piece that does not start a record makes the file invalid. The buffer holds
// the longest record either format can carry (an Intel hex record with 255
// data bytes is 521 characters), so every legal record arrives whole.
#pragma once

#include <cstddef>
#include <cstdio>

namespace corvane {

inline constexpr size_t kLongestRecordLine = 521;
// The text, then room for the line feed and the terminator (as with fgets).
inline constexpr size_t kRecordLineBuffer = kLongestRecordLine + 2;

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
