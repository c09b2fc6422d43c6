// The Config button's flow: the password check, the configuration dialog,
// and the dialog's switches handed back to the main window.
#pragma once

namespace corvane {

class MainWindow;

// True when the configuration dialog was shown (the caller then applies the
// current display state again); false when the password prompt was
// cancelled or answered wrongly ("Invalid Password").
bool RunConfiguration(MainWindow& mainWindow);

}  // namespace corvane
