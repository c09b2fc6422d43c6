#include "app/files/RecordLine.h"

#include <cstring>

namespace corvane {

bool ReadRecordLine(FILE* source, RecordLine& line) {
    size_t stored = 0;
    bool lineFeed = false;
    // The line feed takes one place of the buffer, as it would with fgets.
    while (stored < kRecordLineBuffer - 1) {
        int c = std::getc(source);
        if (c == EOF) {
            break;
        }
        if (c == '\r') {
            const int next = std::getc(source);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, source);
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
    return stored > 0 || lineFeed;
}

}  // namespace corvane
