#include "sim/CommandLexer.h"

#include <algorithm>
#include <utility>

namespace corvane::sim {

namespace {

constexpr size_t kBlockHeader = 6;  // type, 4 address bytes, length

ParsedCommand Make(Command command, bool wellFormed = true) {
    ParsedCommand parsed;
    parsed.command = command;
    parsed.wellFormed = wellFormed;
    return parsed;
}

std::optional<uint32_t> ParseHex(const std::string& text, size_t begin, size_t count) {
    if (count == 0 || count > 8 || begin + count > text.size()) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (size_t i = begin; i < begin + count; ++i) {
        const char c = text[i];
        uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else {
            return std::nullopt;
        }
        value = (value << 4) | digit;
    }
    return value;
}

}  // namespace

void CommandLexer::SetMode(LexMode mode) {
    mode_ = mode;
    part_ = Part::Start;
    line_.clear();
    lineOverflow_ = false;
    block_.clear();
}

LexResult CommandLexer::Feed(uint8_t byte) {
    switch (part_) {
        case Part::Start:
            return FeedStart(byte);
        case Part::PendingS:
            if (byte == 'y') {
                BeginLine(Command::Sync, "Sy");
                return {};
            }
            part_ = Part::Start;
            return {Make(Command::SetNumber), false};
        case Part::Line:
            return FeedLine(byte);
        case Part::Block:
            return FeedBlock(byte);
    }
    return {};
}

std::optional<ParsedCommand> CommandLexer::EndOfTransfer() {
    if (part_ != Part::PendingS) {
        return std::nullopt;
    }
    part_ = Part::Start;
    return Make(Command::SetNumber);
}

LexResult CommandLexer::FeedStart(uint8_t byte) {
    switch (mode_) {
        case LexMode::Command:
            return FeedCommandStart(byte);
        case LexMode::GetSelect:
            if (byte == 'P') {
                return {Make(Command::GetPart)};
            }
            if (byte == 'S') {
                return {Make(Command::GetSerial)};
            }
            return {Make(Command::Unexpected)};
        case LexMode::SetSelect:
            if (byte == 'P') {
                BeginLine(Command::SetPart, "");
            } else if (byte == 'S') {
                BeginLine(Command::SetSerial, "");
            } else if (byte == 'y') {
                BeginLine(Command::Sync, "Sy");
            } else {
                return {Make(Command::Unexpected)};
            }
            return {};
        case LexMode::Erase:
            if (byte == 'B') {
                BeginLine(Command::ErasePartition, "B");
                return {};
            }
            if (byte == kCr) {
                return {Make(Command::EraseEnd)};
            }
            SetMode(LexMode::Command);
            return {std::nullopt, false};
        case LexMode::Programming:
            if (byte == 0 || byte == 1) {
                BeginBlock(byte, false);
                return {};
            }
            SetMode(LexMode::Command);
            return {std::nullopt, false};
        case LexMode::VerifyRange:
            BeginLine(Command::VerifyRange, "");
            return FeedLine(byte);
    }
    return {};
}

LexResult CommandLexer::FeedCommandStart(uint8_t byte) {
    switch (byte) {
        case 'S':
            part_ = Part::PendingS;
            return {};
        case 'P':
            return {Make(Command::Platform)};
        case 'G':
            return {Make(Command::GetNumber)};
        case 'I':
            return {Make(Command::Identify)};
        case 'B':
            return {Make(Command::Partitions)};
        case 'C':
            return {Make(Command::ClearNvram)};
        case 'E':
            return {Make(Command::Erase)};
        case 'F':
            return {Make(Command::Program)};
        case 'X':
            return {Make(Command::Exit)};
        case 'V':
            return {Make(Command::Verify)};
        case 'R':
            return {Make(Command::Restart)};
        case 0:
        case 1:
            BeginBlock(byte, true);
            return {};
        case '\r':
        case '\n':
            return {};  // stray line ends between commands are harmless
        default:
            return {Make(Command::Unexpected)};
    }
}

void CommandLexer::BeginLine(Command kind, std::string initial) {
    part_ = Part::Line;
    lineKind_ = kind;
    line_ = std::move(initial);
    lineOverflow_ = false;
}

LexResult CommandLexer::FeedLine(uint8_t byte) {
    if (byte != kCr) {
        if (line_.size() < kMaxLine) {
            line_.push_back(static_cast<char>(byte));
        } else {
            lineOverflow_ = true;
        }
        return {};
    }
    ParsedCommand parsed = FinishLine();
    part_ = Part::Start;
    line_.clear();
    return {std::move(parsed)};
}

ParsedCommand CommandLexer::FinishLine() {
    ParsedCommand parsed = Make(lineKind_, !lineOverflow_);
    switch (lineKind_) {
        case Command::Sync:
            parsed.wellFormed = parsed.wellFormed && line_ == "Sync";
            break;
        case Command::SetPart:
        case Command::SetSerial:
            parsed.text = line_;
            break;
        case Command::ErasePartition: {
            const auto address = ParseHex(line_, 2, line_.size() - 2);
            parsed.wellFormed =
                parsed.wellFormed && line_.size() > 2 && line_[1] == 'E' && address.has_value();
            parsed.address = address.value_or(0);
            break;
        }
        case Command::VerifyRange: {
            const auto first = ParseHex(line_, 0, 8);
            const auto second = ParseHex(line_, 8, 8);
            parsed.wellFormed = parsed.wellFormed && line_.size() == 16 && first && second;
            parsed.address = first.value_or(0);
            parsed.address2 = second.value_or(0);
            break;
        }
        default:
            parsed.wellFormed = false;
            break;
    }
    return parsed;
}

void CommandLexer::BeginBlock(uint8_t type, bool outsideProgramming) {
    part_ = Part::Block;
    block_.assign(1, type);
    blockOutside_ = outsideProgramming;
}

size_t CommandLexer::FeedBlockRun(const uint8_t* data, size_t n, LexResult& result) {
    size_t taken = 0;
    // The header a byte at a time: its length byte says how much follows.
    while (part_ == Part::Block && taken < n && block_.size() < kBlockHeader) {
        result = FeedBlock(data[taken++]);
    }
    if (part_ != Part::Block || taken == n) {
        return taken;
    }
    const size_t wanted = kBlockHeader + block_[5] - block_.size();  // at least 1 here
    const size_t run = std::min(wanted, n - taken);
    block_.insert(block_.end(), data + taken, data + taken + run - 1);
    taken += run - 1;
    result = FeedBlock(data[taken++]);  // the run's last byte may complete the block
    return taken;
}

LexResult CommandLexer::FeedBlock(uint8_t byte) {
    block_.push_back(byte);
    if (block_.size() < kBlockHeader || block_.size() < kBlockHeader + block_[5]) {
        return {};
    }
    ParsedCommand parsed = Make(block_[0] == 0 ? Command::Block : Command::EndBlock);
    parsed.address = static_cast<uint32_t>(block_[1]) | static_cast<uint32_t>(block_[2]) << 8 |
                     static_cast<uint32_t>(block_[3]) << 16 |
                     static_cast<uint32_t>(block_[4]) << 24;
    parsed.data.assign(block_.begin() + kBlockHeader, block_.end());
    parsed.outsideProgramming = blockOutside_;
    part_ = Part::Start;
    block_.clear();
    return {std::move(parsed)};
}

}  // namespace corvane::sim
