// Formatting with the kernel's DbgPrint conventions: %S and %ws take a UTF-16
// string (written out as UTF-8), %wZ a PUNICODE_STRING, %Z an ANSI_STRING,
// %s a narrow string; %d %i %u %x %X %o and their l forms are 32-bit (a
// Windows long), ll and I64 are 64-bit, I is pointer-sized; %p prints the
// pointer as upper-case hex digits of pointer width. Null strings print as
// "(null)".
#pragma once

#include <cstdarg>
#include <string>

namespace corvane::kernel {

std::string FormatDbgPrint(const char* format, va_list args);

}  // namespace corvane::kernel
