// The modal helpers of the Qt dialog window: message box, open-file dialog,
// folder chooser. Each runs Qt's own nested loop, which keeps delivering the
// main window's posted messages.
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>

#include "app/ui/qt/FileDialogConvention.h"
#include "app/ui/qt/QtDialogWindow.h"

namespace corvane::qt {

namespace {

QMessageBox::Icon ToQtIcon(MessageBoxIcon icon) {
    switch (icon) {
        case MessageBoxIcon::Error:
            return QMessageBox::Critical;
        case MessageBoxIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageBoxIcon::Information:
            return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// The dialog's own filtering, so that the patterns match without regard to
// case and "*.*" takes every file, whatever the filter box shows.
void UsePatterns(QFileDialog& dialog, const std::vector<FileFilterEntry>& entries,
                 const QString& shown) {
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (model == nullptr) {
        return;
    }
    for (const FileFilterEntry& entry : entries) {
        if (entry.display == shown) {
            model->setNameFilters(entry.patterns);
            return;
        }
    }
}

}  // namespace

int RunMessageBox(QWidget* parent, const char* text, const char* caption, MessageBoxIcon icon,
                  bool systemModal) {
    QMessageBox box(ToQtIcon(icon), QString::fromUtf8(caption != nullptr ? caption : ""),
                    QString::fromUtf8(text != nullptr ? text : ""), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(systemModal || parent == nullptr ? Qt::ApplicationModal
                                                           : Qt::WindowModal);
    box.exec();
    return kMessageBoxOk;
}

int QtDialogWindow::ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                                   bool systemModal) {
    return RunMessageBox(this, text, caption, icon, systemModal);
}

std::optional<OpenFileResult> QtDialogWindow::ChooseFilesToOpen(const OpenFileRequest& request) {
    QFileDialog dialog(this);
    // Qt's own dialog: a desktop portal would filter with its own case rules.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if ((request.flags & kOpenFileAllowMultiSelect) != 0) {
        dialog.setFileMode(QFileDialog::ExistingFiles);
    } else {
        dialog.setFileMode((request.flags & kOpenFileMustExist) != 0 ? QFileDialog::ExistingFile
                                                                     : QFileDialog::AnyFile);
    }
    const std::vector<FileFilterEntry> entries = ParseFileFilter(request.filter);
    QStringList names;
    for (const FileFilterEntry& entry : entries) {
        names.push_back(entry.display);
    }
    if (!names.isEmpty()) {
        dialog.setNameFilters(names);
        dialog.selectNameFilter(names.front());
        connect(&dialog, &QFileDialog::filterSelected, &dialog,
                [&dialog, &entries](const QString& shown) { UsePatterns(dialog, entries, shown); });
        UsePatterns(dialog, entries, names.front());
    }
    if (request.initialFolder != nullptr && request.initialFolder[0] != '\0') {
        dialog.setDirectory(QString::fromUtf8(request.initialFolder));
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return ToOpenFileResult(dialog.selectedFiles(), request.bufferSize);
}

std::optional<std::string> QtDialogWindow::ChooseFolder() {
    const QString folder = QFileDialog::getExistingDirectory(
        this, QString(), QString(), QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    QString path = QDir::cleanPath(folder);  // no trailing separator; the root stays "/"
    return path.toStdString();
}

}  // namespace corvane::qt
