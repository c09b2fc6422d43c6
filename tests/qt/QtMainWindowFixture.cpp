#include "tests/qt/QtMainWindowFixture.h"

#include "app/ui/DialogTemplates.h"
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/OwnedText.h"

namespace corvane::test {

QtMainWindowFixture::QtMainWindowFixture() {
    program.settingsKey = &settings;
    program.mainWindowQueue = &queue;
    engine.mainWindowQueue = &queue;
}

QtMainWindowFixture::~QtMainWindowFixture() {
    main.reset();
    platform::Message message;
    while (queue.Take(message, 0)) {
        DiscardPostedMessage(message);
    }
}

void QtMainWindowFixture::RunMain(const std::function<void(qt::QtDialogWindow&)>& script) {
    main = std::make_unique<MainWindow>(MainWindowServices{program, engine, windows, thread});
    main->SetDeviceLink(&link);
    windows.ConnectMainQueue(&queue, main.get());
    QTimer::singleShot(0, [this, &script] {
        qt::QtDialogWindow* window = windows.FindWindow(kMainTemplateId);
        ASSERT_NE(window, nullptr);
        Settle();
        script(*window);
        window->close();  // the close box
    });
    windows.RunModal(MainWindowTemplate(), *main, nullptr);
    windows.ConnectMainQueue(nullptr, nullptr);
}

void QtMainWindowFixture::PostText(int control, const char* text) {
    Post(WM_SET_CONTROL_TEXT, static_cast<platform::WParam>(control),
         ReleaseTextToParam(CopyText(text)));
}

void QtMainWindowFixture::Identify(const char* partNumber) {
    SetCurrentPartNumber(main->Record(), partNumber);
    PostText(Ids::kPlatformId, "QX-2400");
    PostText(Ids::kPartNumber, partNumber);
    PostText(Ids::kSerialNumber, "SN0012345");
    Post(WM_OPERATION_DONE);
    Settle();
}

void QtMainWindowFixture::GiveFiles(qt::QtDialogWindow& window, int count) {
    window.ListReset(Ids::kFileList);
    for (int i = 0; i < count; ++i) {
        const std::string path = "/fw/firmware" + std::to_string(i) + ".hex";
        SetFilePath(main->Record(), i, path.c_str());
        window.ListInsertString(Ids::kFileList, i, path.c_str() + 4);
    }
    main->Record().fileCount = static_cast<uint8_t>(count);
}

}  // namespace corvane::test
