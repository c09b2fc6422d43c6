// Splits the projector's OUT byte stream into commands. The stream arrives in
// transfers of any size, so every command may be split anywhere; the lexer
// keeps its place between bytes. What a byte means depends on the mode that
// the firmware chose after the previous command ("P" is the platform query at
// the top, the part number after "G" or "S"; after "F" the input is binary).
//
// Rules where the stream is ambiguous or wrong:
// - "S" opens a number write, "Sy" a sync. A transfer that ends right after a
//   lone "S" settles it as the write opener (the program sends "S" alone and
//   waits for its ACK); "y" after an acknowledged "S" still continues a sync.
// - Text lines ("Sync\r", "P<pn>\r", "BE%08lX\r", the verify range) are read
//   up to their "\r" before they are judged, so a malformed line gets exactly
//   one negative reply.
// - In erase mode a byte other than "B" or "\r", and in programming mode a
//   block type other than 0 or 1, ends the mode and is read as a command.
// - A block (type 0 or 1) outside programming mode is read whole and reported
//   as such, so its binary bytes are never taken for commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/ProtocolCommand.h"

namespace corvane::sim {

enum class LexMode {
    Command,      // a command letter (or "Sync\r")
    GetSelect,    // after "G": "P" or "S"
    SetSelect,    // after "S": "P<pn>\r" or "S<sn>\r"
    Erase,        // after "E": "BE%08lX\r" lines until a lone "\r"
    Programming,  // after "F": image blocks until the end block
    VerifyRange,  // after "V": "%08lX%08lX\r"
};

struct LexResult {
    std::optional<ParsedCommand> command;
    bool consumed = true;  // false: feed the same byte again (after SetMode)
};

class CommandLexer {
public:
    static constexpr size_t kMaxLine = 64;

    LexResult Feed(uint8_t byte);
    // Inside an image block: takes as many of the n bytes at data as the block
    // still needs, exactly as that many Feed calls would, and returns how many
    // it took (result: the last one's); 0 outside a block. Blocks are most of
    // what a download sends, and a byte at a time they cost more than the
    // rest of the projector.
    size_t FeedBlockRun(const uint8_t* data, size_t n, LexResult& result);
    // The end of one OUT transfer.
    std::optional<ParsedCommand> EndOfTransfer();

    void SetMode(LexMode mode);
    LexMode Mode() const { return mode_; }
    void Reset() { SetMode(LexMode::Command); }

private:
    enum class Part { Start, PendingS, Line, Block };

    LexResult FeedStart(uint8_t byte);
    LexResult FeedCommandStart(uint8_t byte);
    LexResult FeedLine(uint8_t byte);
    LexResult FeedBlock(uint8_t byte);
    void BeginLine(Command kind, std::string initial);
    void BeginBlock(uint8_t type, bool outsideProgramming);
    ParsedCommand FinishLine();

    LexMode mode_ = LexMode::Command;
    Part part_ = Part::Start;
    Command lineKind_ = Command::Unexpected;
    std::string line_;
    bool lineOverflow_ = false;
    std::vector<uint8_t> block_;
    bool blockOutside_ = false;
};

}  // namespace corvane::sim
