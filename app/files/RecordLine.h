// One record line of a firmware file, read the way a fixed line buffer reads
// it: a line longer than the buffer holds comes back in pieces, and the
// piece that does not start a record makes the file invalid. The buffer holds
// the longest record either format can carry (an Intel hex record with 255
// data bytes is 521 characters), so every legal record arrives whole.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

namespace corvane {

inline constexpr size_t kLongestRecordLine = 521;
// The text, then room for the line feed and the terminator (as with fgets).
inline constexpr size_t kRecordLineBuffer = kLongestRecordLine + 2;

// Ctrl-Z, the end-of-file mark of DOS-era tools.
inline constexpr char kEndOfFileMark = 0x1A;

struct RecordLine {
    char text[kRecordLineBuffer] = {};  // the line without its line end, NUL-terminated
    size_t length = 0;                  // characters before the first NUL
    bool cut = false;                   // the buffer filled first: the next read continues it
};

// Reads the next line; false at end of file. A CR LF pair counts as one line
// feed whatever mode the stream was opened in, so a file written on Windows
// reads the same on every system. The line feed ends the line and is not part
// of the text. A Ctrl-Z at the start of a line (not within one, nor where a
// cut line goes on) ends the file; it is left unread. Open the stream in
// binary mode: Windows's text mode would end the file at a Ctrl-Z anywhere.
// The stream stays just behind the line. Pass the same line from read to read,
// so that the piece after a cut is not taken for the start of a line.
bool ReadRecordLine(FILE* source, RecordLine& line);

// The same lines from a whole file read front to back in large chunks: a
// conversion reads a file of megabytes, and taking it a character at a time
// through the stream costs more than everything else the conversion does.
// The stream's position is undefined while the reader reads it.
class RecordLineReader {
public:
    static constexpr size_t kDefaultChunk = 32 * 1024;

    explicit RecordLineReader(FILE* source, size_t chunkBytes = kDefaultChunk);

    bool Next(RecordLine& line);

private:
    friend struct ChunkSource;

    FILE* source_;
    size_t chunkBytes_;
    std::unique_ptr<char[]> chunk_;
    size_t next_ = 0;
    size_t end_ = 0;
    bool lineStart_ = true;
};

}  // namespace corvane
