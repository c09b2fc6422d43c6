// The terminal's dialog window: clicks only where a user could click, typing
// within an edit's limit, and what it tells the terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/cli/TextWindowFactory.h"
#include "app/ui/ControlIds.h"
#include "app/ui/WindowMessages.h"

namespace corvane::cli {
namespace {

class HandlerDouble : public DialogHandler {
public:
    void OnInitDialog(DialogWindow& window) override { window_ = &window; }
    void OnControl(int id, ControlEvent event) override { events.push_back({id, event}); }
    MessageResult DispatchMessage(uint32_t message, platform::WParam, platform::LParam) override {
        messages.push_back(message);
        if (message == WM_CLOSE && window_ != nullptr) {
            window_->EndDialog(kIdCancel);
        }
        return {true, 0};
    }
    std::vector<std::pair<int, ControlEvent>> events;
    std::vector<uint32_t> messages;

private:
    DialogWindow* window_ = nullptr;
};

class EventsDouble : public WindowEvents {
public:
    void ControlTextChanged(int, int id, const std::string& text) override {
        texts.push_back(std::to_string(id) + "=" + text);
    }
    void ProgressShown(bool shown) override { shows.push_back(shown); }
    void ProgressChanged(int percent) override { percents.push_back(percent); }
    void MessageBoxShown(const std::string& caption, const std::string& text,
                         MessageBoxIcon) override {
        boxes.push_back(caption + ": " + text);
    }
    std::vector<std::string> texts;
    std::vector<bool> shows;
    std::vector<int> percents;
    std::vector<std::string> boxes;
};

TEST(TextWindowTest, ClicksReachOnlyEnabledVisibleControls) {
    EventsDouble events;
    TextWindowFactory factory(events);
    HandlerDouble handler;
    TextWindow window(factory, MainWindowTemplate(), handler);
    EXPECT_TRUE(window.Click(MainWindowIds::kDownload));
    window.EnableControl(MainWindowIds::kDownload, false);
    EXPECT_FALSE(window.Click(MainWindowIds::kDownload));
    window.EnableControl(MainWindowIds::kDownload, true);
    window.ShowControl(MainWindowIds::kDownload, false);
    EXPECT_FALSE(window.Click(MainWindowIds::kDownload));
    EXPECT_FALSE(window.Click(4242));  // no such control
    ASSERT_EQ(handler.events.size(), 1u);
    EXPECT_EQ(handler.events[0].first, MainWindowIds::kDownload);
}

TEST(TextWindowTest, TypingStopsAtTheLimitAndSaysSo) {
    EventsDouble events;
    TextWindowFactory factory(events);
    HandlerDouble handler;
    TextWindow window(factory, MainWindowTemplate(), handler);
    window.LimitText(MainWindowIds::kNewSerialNumber, 4);
    EXPECT_FALSE(window.Type(MainWindowIds::kNewSerialNumber, "ABCDEF"));
    EXPECT_EQ(window.Text(MainWindowIds::kNewSerialNumber), "ABCD");
    EXPECT_TRUE(window.Type(MainWindowIds::kNewSerialNumber, "XY"));
    char buffer[3];
    EXPECT_EQ(window.GetControlText(MainWindowIds::kNewSerialNumber, buffer, sizeof buffer), 2);
    EXPECT_STREQ(buffer, "XY");
    EXPECT_FALSE(window.Type(MainWindowIds::kDownload, "x"));  // not an edit
    // Focus in and out, as a user's typing does.
    EXPECT_EQ(handler.events.front().second, ControlEvent::GainedFocus);
}

TEST(TextWindowTest, ShowsTextChangesProgressAndBoxes) {
    EventsDouble events;
    TextWindowFactory factory(events);
    HandlerDouble handler;
    TextWindow window(factory, MainWindowTemplate(), handler);
    window.SetControlText(MainWindowIds::kStatus, "Connected");
    window.SetControlText(MainWindowIds::kStatus, "Connected");  // unchanged: nothing new
    window.ShowControl(MainWindowIds::kProgressBar, true);
    window.SetProgressPosition(MainWindowIds::kProgressBar, 150);
    EXPECT_EQ(
        window.ShowMessageBox("Failed!", "Flash Verification", MessageBoxIcon::Exclamation, false),
        kMessageBoxOk);
    EXPECT_EQ(events.texts, std::vector<std::string>{"1012=Connected"});
    EXPECT_EQ(events.percents, std::vector<int>{100});
    EXPECT_EQ(events.boxes, std::vector<std::string>{"Flash Verification: Failed!"});
}

TEST(TextWindowTest, TheFileDialogAnswersOnceAndOnlyWithinItsBuffer) {
    EventsDouble events;
    TextWindowFactory factory(events);
    HandlerDouble handler;
    TextWindow window(factory, MainWindowTemplate(), handler);
    OpenFileResult files;
    files.buffer = {'/', 'a', '.', 'h', 'e', 'x', '\0'};
    files.fileOffset = 1;
    OpenFileRequest request;
    request.bufferSize = 7;
    factory.SetChosenFiles(files);
    EXPECT_TRUE(window.ChooseFilesToOpen(request).has_value());
    EXPECT_FALSE(window.ChooseFilesToOpen(request).has_value());  // cancelled the second time
    request.bufferSize = 6;
    factory.SetChosenFiles(files);
    EXPECT_FALSE(window.ChooseFilesToOpen(request).has_value());
}

TEST(TextWindowTest, OtherModalDialogsCloseAtOnce) {
    EventsDouble events;
    TextWindowFactory factory(events);
    HandlerDouble handler;
    EXPECT_EQ(factory.RunModal(AboutDialogTemplate(), handler, nullptr), kIdCancel);
    EXPECT_EQ(handler.messages, std::vector<uint32_t>{WM_CLOSE});
}

}  // namespace
}  // namespace corvane::cli
