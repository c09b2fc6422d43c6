#include "tests/ui/MainWindowFixture.h"

#include <cstdio>

#include "app/ui/DialogTemplates.h"
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/OwnedText.h"

namespace corvane::test {

MainWindowFixture::MainWindowFixture() {
    program.settingsKey = &settings;
    program.mainWindowQueue = &queue;
    engine.mainWindowQueue = &queue;
}

MainWindowFixture::~MainWindowFixture() {
    // The controllers address only controls their windows have.
    EXPECT_TRUE(windows.UnknownControls().empty())
        << "first: " << (windows.UnknownControls().empty() ? "" : windows.UnknownControls()[0]);
    main.reset();
    platform::Message message;
    while (queue.Take(message, 0)) {
        DiscardPostedMessage(message);
    }
}

void MainWindowFixture::Start() {
    main = std::make_unique<MainWindow>(MainWindowServices{program, engine, windows, thread});
    main->SetDeviceLink(&link);
    windows.ConnectMainQueue(&queue, main.get());
    window = &windows.Open(MainWindowTemplate(), *main);
    Pump();
}

void MainWindowFixture::SetText(int control, const char* text) {
    Post(WM_SET_CONTROL_TEXT, static_cast<platform::WParam>(control),
         ReleaseTextToParam(CopyText(text)));
}

void MainWindowFixture::Identify(const char* partNumber) {
    // The download thread writes the record, then tells the window.
    SetCurrentPartNumber(Record(), partNumber);
    SetText(Ids::kPartNumber, partNumber);
    Deliver(WM_OPERATION_DONE);
}

void MainWindowFixture::GiveFiles(int count) {
    window->ListReset(Ids::kFileList);
    for (int i = 0; i < count; ++i) {
        const std::string path = "/fw/file" + std::to_string(i) + ".hex";
        SetFilePath(Record(), i, path.c_str());
        window->ListInsertString(Ids::kFileList, i, path.c_str() + 4);
    }
    Record().fileCount = static_cast<uint8_t>(count);
}

}  // namespace corvane::test
