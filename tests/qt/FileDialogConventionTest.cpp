// The open-file dialog's filter and result conventions, and the Qt file
// dialog itself choosing files regardless of the case of their extensions.
#include "app/ui/qt/FileDialogConvention.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>

#include "app/files/FileSelection.h"
#include "tests/qt/QtTestApp.h"

namespace corvane::test {
namespace {

std::string Buffer(const OpenFileResult& result) {
    return std::string(result.buffer.begin(), result.buffer.end());
}

TEST(FileDialogConvention, FirmwareFilterHasItsTwoEntries) {
    const auto entries = qt::ParseFileFilter(kFirmwareFileFilter);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].display,
              QStringLiteral("Standard QVS Files (*.bt *.mot *.spl *.sys *.hex *.dld)"));
    EXPECT_EQ(entries[0].patterns,
              (QStringList{"*.bt", "*.mot", "*.spl", "*.sys", "*.hex", "*.dld"}));
    EXPECT_EQ(entries[1].display, QStringLiteral("All Files (*.*)"));
    EXPECT_EQ(entries[1].patterns, QStringList{"*"});  // every file, as on Windows
}

TEST(FileDialogConvention, MalformedFiltersGiveWhatIsWhole) {
    EXPECT_TRUE(qt::ParseFileFilter(nullptr).empty());
    EXPECT_TRUE(qt::ParseFileFilter("").empty());
    EXPECT_TRUE(qt::ParseFileFilter("Name|").empty());
    EXPECT_TRUE(qt::ParseFileFilter("|*.x||").empty());
    EXPECT_TRUE(qt::ParseFileFilter("Name|;;|").empty());
    const auto entries = qt::ParseFileFilter("Hex|*.hex|Broken");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].display, QStringLiteral("Hex (*.hex)"));
}

TEST(FileDialogConvention, OneFileIsItsPathWithTheNameOffset) {
    auto result = qt::ToOpenFileResult({"/fw/boot.hex"}, 1024);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(Buffer(*result), std::string("/fw/boot.hex\0", 13));
    EXPECT_EQ(result->fileOffset, 4u);
    result = qt::ToOpenFileResult({"/boot.hex"}, 1024);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->fileOffset, 1u);
}

TEST(FileDialogConvention, SeveralFilesAreFolderThenNames) {
    const auto result = qt::ToOpenFileResult({"/fw/a.hex", "/fw/b.MOT"}, 1024);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(Buffer(*result), std::string("/fw\0a.hex\0b.MOT\0\0", 17));
    EXPECT_EQ(result->fileOffset, 4u);
}

TEST(FileDialogConvention, RefusesWhatDoesNotFitOrDoesNotShareAFolder) {
    EXPECT_FALSE(qt::ToOpenFileResult({}, 1024).has_value());
    EXPECT_FALSE(qt::ToOpenFileResult({"/a/x.hex", "/b/y.hex"}, 1024).has_value());
    // "/fw\0a.hex\0b.hex\0\0" is 17 characters.
    EXPECT_TRUE(qt::ToOpenFileResult({"/fw/a.hex", "/fw/b.hex"}, 17).has_value());
    EXPECT_FALSE(qt::ToOpenFileResult({"/fw/a.hex", "/fw/b.hex"}, 16).has_value());
    EXPECT_TRUE(qt::ToOpenFileResult({"/fw/a.hex"}, 10).has_value());
    EXPECT_FALSE(qt::ToOpenFileResult({"/fw/a.hex"}, 9).has_value());
}

TEST(FileDialogQt, ShowsFirmwareFilesOfAnyCaseAndReturnsTheChosenOnes) {
    TestApp();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"boot.HEX", "main.hex", "notes.txt", "List.Dld"}) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    RecordingHandler handler;
    qt::QtDialogWindow window(MainWindowTemplate(), handler, nullptr, nullptr);
    QStringList shown;
    QTimer::singleShot(0, [&] {
        QFileDialog* dialog = nullptr;
        WaitUntil([&] {
            dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            return dialog != nullptr;
        });
        ASSERT_NE(dialog, nullptr);
        auto* view = dialog->findChild<QListView*>("listView");
        ASSERT_NE(view, nullptr);
        WaitUntil([&] { return view->model()->rowCount(view->rootIndex()) == 3; });
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
            shown.push_back(view->model()->index(row, 0, view->rootIndex()).data().toString());
        }
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText("\"boot.HEX\" \"main.hex\"");
        static_cast<QDialog*>(dialog)->accept();  // validates as the Open button does
    });
    OpenFileRequest request;
    request.filter = kFirmwareFileFilter;
    const QByteArray start = (folder.path() + "/").toUtf8();
    request.initialFolder = start.constData();
    request.flags = kFirmwareFileDialogFlags;
    request.bufferSize = kFileDialogBufferSize;
    const auto result = window.ChooseFilesToOpen(request);
    shown.sort(Qt::CaseInsensitive);
    EXPECT_EQ(shown, (QStringList{"boot.HEX", "List.Dld", "main.hex"}));
    ASSERT_TRUE(result.has_value());
    const std::string folderText = QDir(folder.path()).absolutePath().toStdString();
    EXPECT_EQ(Buffer(*result), folderText + std::string("\0boot.HEX\0main.hex\0\0", 20));
    EXPECT_EQ(result->fileOffset, folderText.size() + 1);
}

}  // namespace
}  // namespace corvane::test

namespace corvane::test {
namespace {

// Answers the next file dialog: fileName typed into its name box, then Open
// (or Cancel when fileName is empty).
void AnswerFileDialog(const QString& folder, const QString& fileName) {
    QTimer::singleShot(0, [folder, fileName] {
        QFileDialog* dialog = nullptr;
        WaitUntil([&] {
            dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            return dialog != nullptr;
        });
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(folder);
        if (fileName.isEmpty()) {
            static_cast<QDialog*>(dialog)->reject();
            return;
        }
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(fileName);
        static_cast<QDialog*>(dialog)->accept();
    });
}

TEST(FolderChooserQt, GivesTheChosenFolderWithoutATrailingSeparator) {
    TestApp();
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir("lists"));
    RecordingHandler handler;
    qt::QtDialogWindow window(ConfigDialogTemplate(), handler, nullptr, nullptr);
    AnswerFileDialog(folder.path(), "lists");
    const std::optional<std::string> chosen = window.ChooseFolder();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, QDir(folder.filePath("lists")).absolutePath().toStdString());

    AnswerFileDialog(folder.path(), "");
    EXPECT_FALSE(window.ChooseFolder().has_value());
}

TEST(FileDialogQt, CancelGivesNothing) {
    TestApp();
    RecordingHandler handler;
    qt::QtDialogWindow window(MainWindowTemplate(), handler, nullptr, nullptr);
    AnswerFileDialog(QDir::tempPath(), "");
    OpenFileRequest request;
    request.filter = kFirmwareFileFilter;
    request.flags = kFirmwareFileDialogFlags;
    request.bufferSize = kFileDialogBufferSize;
    EXPECT_FALSE(window.ChooseFilesToOpen(request).has_value());
}

}  // namespace
}  // namespace corvane::test
