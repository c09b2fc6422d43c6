#include "tests/qt/QtTestApp.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>

namespace corvane::test {

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "qt_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        // Rendering must not depend on the desktop the tests run on.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *application;
}

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QTest::qWait(2);
    }
    return true;
}

void SaveScreenshot(QWidget& window, const char* name) {
    const QImage image = window.grab().toImage();
    ASSERT_EQ(image.size(), window.size());
    // Something was drawn: not a single colour.
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; y += 4) {
        varied = image.pixel(image.width() / 2, y) != image.pixel(0, 0);
    }
    EXPECT_TRUE(varied) << name;
    QStringList folders{QStringLiteral(CORVANE_SCREENSHOT_BUILD_DIR)};
    if (qgetenv("CORVANE_UPDATE_SCREENSHOTS") == "1") {
        folders.push_back(QStringLiteral(CORVANE_SCREENSHOT_DIR));
    }
    for (const QString& folder : folders) {
        ASSERT_TRUE(QDir().mkpath(folder));
        EXPECT_TRUE(image.save(folder + "/" + name)) << folder.toStdString() << "/" << name;
    }
}

ModalWatcher::ModalWatcher() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Check(); });
    timer_.start(5);
}

ModalWatcher::~ModalWatcher() {
    timer_.stop();
}

void ModalWatcher::Check() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == busyWith_) {
        return;
    }
    QWidget* previous = busyWith_;
    busyWith_ = modal;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        SeenBox seen{box->text().toStdString(), box->windowTitle().toStdString(), box->icon(),
                     box->windowModality()};
        boxes_.push_back(seen);
        if (onBox) {
            onBox(seen);
        }
        box->button(QMessageBox::Ok)->click();
    } else if (auto* dialog = qobject_cast<qt::QtDialogWindow*>(modal)) {
        if (onDialog) {
            onDialog(*dialog);
        } else {
            dialog->EndDialog(kIdCancel);
        }
    }
    busyWith_ = previous;
}

}  // namespace corvane::test

// LeakSanitizer asks for this: fontconfig keeps a cache for the process's
// life, which Qt's font database never frees; nothing of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
