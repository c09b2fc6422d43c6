// The converter's chunked line reader gives exactly the lines of the
// character-wise ReadRecordLine, wherever the chunk boundaries fall.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/files/RecordLine.h"

namespace corvane {
namespace {

struct ReadLine {
    std::string text;
    size_t length;
    bool operator==(const ReadLine&) const = default;
};

FILE* FileWith(const std::string& content) {
    FILE* file = std::tmpfile();
    if (file != nullptr) {
        std::fwrite(content.data(), 1, content.size(), file);
        std::rewind(file);
    }
    return file;
}

std::vector<ReadLine> LinesOfStream(const std::string& content) {
    FILE* file = FileWith(content);
    std::vector<ReadLine> lines;
    RecordLine line;
    while (file != nullptr && ReadRecordLine(file, line)) {
        lines.push_back({std::string(line.text, line.length), line.length});
    }
    if (file != nullptr) {
        std::fclose(file);
    }
    return lines;
}

std::vector<ReadLine> LinesOfReader(const std::string& content, size_t chunkBytes) {
    FILE* file = FileWith(content);
    std::vector<ReadLine> lines;
    if (file == nullptr) {
        return lines;
    }
    RecordLineReader reader(file, chunkBytes);
    RecordLine line;
    while (reader.Next(line)) {
        lines.push_back({std::string(line.text, line.length), line.length});
    }
    std::fclose(file);
    return lines;
}

TEST(RecordLineReaderTest, SameLinesAsTheStreamForEveryChunkSize) {
    const std::string cases[] = {
        ":10010000214601360121470136007EFE09D2190140\n:00000001FF\n",
        ":0100000000FF\r\n:00000001FF\r\n",
        "a\rb\r\r\nc\r",  // lone carriage returns stay in the text
        "\n\r\n\n",       // blank lines
        std::string(521, 'a') + "\n" + std::string(522, 'b') + "\n",  // the cut after 522
        std::string(520, 'c') + "\r\n" + std::string(521, 'd') + "\r\n" + std::string(522, 'e') +
            "\r\nlast",  // CR LF at the buffer's end
        std::string(1052, 'f') + "\r\n",
        std::string(":10\0xyz\nnext\n", 13),  // an embedded NUL ends the text
        "no line feed at the end",
        "",
        ":00000001FF\r\n\x1A\r\nafter the end\n",  // Ctrl-Z ends the file at a line start
        "a\x1A\n\x1A",                             // only there
        std::string(522, 'g') + "\x1A\n\x1A",      // not where a cut line goes on
    };
    for (const std::string& content : cases) {
        const auto expected = LinesOfStream(content);
        for (size_t chunk : {1u, 2u, 3u, 7u, 64u, 521u, 522u, 523u, 4096u}) {
            SCOPED_TRACE("chunk " + std::to_string(chunk) + ", content " + content.substr(0, 40));
            EXPECT_EQ(LinesOfReader(content, chunk), expected);
        }
    }
}

TEST(RecordLineReaderTest, ReadsAFileLargerThanItsChunk) {
    std::string content;
    for (int i = 0; i < 5000; ++i) {
        content += ":10" + std::to_string(10000 + i) + (i % 3 == 0 ? "\r\n" : "\n");
    }
    const auto lines = LinesOfReader(content, 4096);
    ASSERT_EQ(lines.size(), 5000u);
    EXPECT_EQ(lines.front().text, ":1010000");
    EXPECT_EQ(lines.back().text, ":1014999");
    EXPECT_EQ(lines, LinesOfStream(content));
}

}  // namespace
}  // namespace corvane
