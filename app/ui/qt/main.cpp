// corvane: the Qt front end. Builds the application over Qt windows and runs
// it; the device side comes from the platform.
#include <QApplication>

#include "app/ui/qt/CorvaneMain.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setDesktopFileName(QStringLiteral("corvane"));
    return corvane::qt::RunCorvane(QApplication::arguments());
}
