// The corvane program: the application over Qt windows. Call with a
// QApplication in place; returns the exit code.
#pragma once

#include <QStringList>

namespace corvane::qt {

int RunCorvane(const QStringList& arguments);

}  // namespace corvane::qt
