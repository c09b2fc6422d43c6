// corvane: the Qt front end (see CorvaneMain.h).
#include "app/ui/qt/CorvaneMain.h"

int main(int argc, char** argv) {
    return corvane::qt::RunCorvane(argc, argv);
}
