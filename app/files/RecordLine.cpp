#include "app/files/RecordLine.h"

#include <algorithm>
#include <cstring>

namespace corvane {

namespace {

// The stream itself, a character at a time.
struct StreamSource {
    FILE* source;
    int Get() { return std::getc(source); }
    void Unget(int c) { std::ungetc(c, source); }
};

bool EndOfFile(RecordLine& line) {
    line.text[0] = '\0';
    line.length = 0;
    line.cut = false;
    return false;
}

// One line from any source of characters. Unget follows only a Get that did
// not return EOF.
template <class Source>
bool ReadLineFrom(Source& source, RecordLine& line, bool lineStart) {
    size_t stored = 0;
    bool lineFeed = false;
    // The line feed takes one place of the buffer, as it would with fgets.
    while (stored < kRecordLineBuffer - 1) {
        int c = source.Get();
        if (c == EOF) {
            break;
        }
        if (c == kEndOfFileMark && lineStart && stored == 0) {
            source.Unget(c);  // so that every further read ends here too
            return EndOfFile(line);
        }
        if (c == '\r') {
            const int next = source.Get();
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                source.Unget(next);
            }
        }
        if (c == '\n') {
            lineFeed = true;
            break;
        }
        line.text[stored++] = static_cast<char>(c);
    }
    line.text[stored] = '\0';
    line.length = std::strlen(line.text);
    line.cut = stored == kRecordLineBuffer - 1;
    return stored > 0 || lineFeed;
}

}  // namespace

// The reader's chunk, refilled from the stream when it runs out.
struct ChunkSource {
    RecordLineReader& reader;
    int Get() {
        if (reader.next_ == reader.end_) {
            reader.end_ = std::fread(reader.chunk_.get(), 1, reader.chunkBytes_, reader.source_);
            reader.next_ = 0;
            if (reader.end_ == 0) {
                return EOF;
            }
        }
        return static_cast<unsigned char>(reader.chunk_[reader.next_++]);
    }
    // The character just taken is still in the chunk, even after a refill.
    void Unget(int) { --reader.next_; }
};

bool ReadRecordLine(FILE* source, RecordLine& line) {
    StreamSource stream{source};
    return ReadLineFrom(stream, line, !line.cut);
}

RecordLineReader::RecordLineReader(FILE* source, size_t chunkBytes)
    : source_(source),
      chunkBytes_(chunkBytes > 0 ? chunkBytes : 1),
      chunk_(new char[chunkBytes_]) {}

bool RecordLineReader::Next(RecordLine& line) {
    // Most lines lie whole in the chunk, ended by LF or CR LF, with no other
    // carriage return: those are copied at once. Every other line (one that
    // crosses the chunk's end, is too long, or holds a lone CR) takes the
    // character-wise path, which gives the same line.
    constexpr size_t kMaxText = kRecordLineBuffer - 2;  // then the line feed still fits
    const char* start = chunk_.get() + next_;
    if (lineStart_ && next_ < end_ && *start == kEndOfFileMark) {
        return EndOfFile(line);
    }
    const size_t searched = std::min(end_ - next_, kMaxText + 1);
    if (const void* lineFeed = std::memchr(start, '\n', searched)) {
        size_t length = static_cast<size_t>(static_cast<const char*>(lineFeed) - start);
        const void* carriageReturn = std::memchr(start, '\r', length);
        if (carriageReturn == nullptr ||
            static_cast<const char*>(carriageReturn) == start + length - 1) {
            next_ += length + 1;
            length -= carriageReturn != nullptr ? 1 : 0;
            std::memcpy(line.text, start, length);
            line.text[length] = '\0';
            line.length = std::strlen(line.text);
            line.cut = false;
            lineStart_ = true;
            return true;
        }
    }
    ChunkSource chunk{*this};
    const bool read = ReadLineFrom(chunk, line, lineStart_);
    lineStart_ = !line.cut;
    return read;
}

}  // namespace corvane
