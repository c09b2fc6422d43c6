// Reading the text files the platform services parse (the settings file and
// profile files): the whole file at once, and its text with any byte-order
// mark taken care of.
#pragma once

#include <string>

namespace corvane::platform {

enum class ReadResult { Ok, Missing, Failed };

// The whole content of a regular file. Missing when the file does not exist;
// Failed when it exists but cannot be read or is not a regular file.
ReadResult ReadWholeFile(const std::string& path, std::string& bytes);

// The file's text as single bytes: a UTF-8 byte-order mark is dropped, and
// UTF-16 text (little- or big-endian, recognised by its byte-order mark, as an
// editor on Windows may save it) is converted to UTF-8. Anything else is
// returned unchanged.
std::string DecodeText(const std::string& bytes);

}  // namespace corvane::platform
