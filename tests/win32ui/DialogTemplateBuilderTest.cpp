// The in-memory dialog templates: every byte where Windows expects it, and
// every id, class, text, position and style exactly the shared data's.
#include <gtest/gtest.h>

#include <string>

#include "app/ui/DialogTemplates.h"
#include "app/ui/win32/DialogTemplateBuilder.h"
#include "tests/win32ui/TemplateReader.h"
// After the program's headers.
#include "app/ui/win32/WindowsApi.h"

// After windows.h.
#include <commctrl.h>

namespace corvane::win32 {
namespace {

using test::ReadTemplate;
using test::TemplateRead;

const test::ItemRead& ItemWithId(const TemplateRead& read, int id) {
    for (const test::ItemRead& item : read.items) {
        if (item.id == static_cast<uint16_t>(id)) {
            return item;
        }
    }
    ADD_FAILURE() << "no item " << id;
    static const test::ItemRead none;
    return none;
}

TEST(DialogTemplateBuilder, EveryWindowReadsBackAsItsSharedTemplate) {
    for (const DialogTemplate* dialog : AllDialogTemplates()) {
        SCOPED_TRACE(dialog->templateId);
        const std::vector<uint8_t> bytes = BuildDialogTemplate(*dialog);
        const TemplateRead read = ReadTemplate(bytes);
        ASSERT_TRUE(read.ok);
        EXPECT_EQ(read.end, bytes.size()) << "bytes after the last item";
        EXPECT_EQ(read.style, DialogStyle(*dialog));
        EXPECT_EQ(read.exStyle, DialogExtendedStyle(*dialog));
        EXPECT_EQ(read.x, 0);
        EXPECT_EQ(read.y, 0);
        EXPECT_EQ(read.cx, dialog->cx);
        EXPECT_EQ(read.cy, dialog->cy);
        EXPECT_FALSE(read.menu.isOrdinal);
        EXPECT_TRUE(read.menu.text.empty());
        EXPECT_FALSE(read.windowClass.isOrdinal);
        EXPECT_TRUE(read.windowClass.text.empty());
        EXPECT_EQ(read.caption, dialog->caption);
        EXPECT_EQ(read.pointSize, 8);
        EXPECT_EQ(read.fontName, "MS Sans Serif");
        ASSERT_EQ(read.items.size(), dialog->controls.size());
        for (size_t index = 0; index < read.items.size(); ++index) {
            const ControlTemplate& control = dialog->controls[index];
            const test::ItemRead& item = read.items[index];
            SCOPED_TRACE(index);
            EXPECT_EQ(item.offset % 4, 0u) << "items start on a DWORD";
            EXPECT_EQ(item.style, ControlStyle(control));
            EXPECT_EQ(item.exStyle, 0u);
            EXPECT_EQ(item.x, control.x);
            EXPECT_EQ(item.y, control.y);
            EXPECT_EQ(item.cx, control.cx);
            EXPECT_EQ(item.cy, control.cy);
            EXPECT_EQ(item.id, static_cast<uint16_t>(control.id));
            EXPECT_EQ(item.creationDataSize, 0);
            if (control.kind == ControlKind::ProgressBar) {
                EXPECT_FALSE(item.windowClass.isOrdinal);
                EXPECT_EQ(item.windowClass.text, "msctls_progress32");
            } else {
                EXPECT_TRUE(item.windowClass.isOrdinal);
                EXPECT_EQ(item.windowClass.ordinal, ControlClassAtom(control.kind));
            }
            if (control.kind == ControlKind::Image || control.kind == ControlKind::Icon) {
                EXPECT_TRUE(item.title.isOrdinal);
                EXPECT_EQ(item.title.ordinal, control.resourceId);
            } else {
                EXPECT_FALSE(item.title.isOrdinal);
                EXPECT_EQ(item.title.text, control.text);
            }
        }
    }
}

TEST(DialogTemplateBuilder, HeadIsLaidOutAsDlgTemplate) {
    const std::vector<uint8_t> bytes = BuildDialogTemplate(PasswordDialogTemplate());
    ASSERT_GE(bytes.size(), 18u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(bytes.data()) % 4, 0u);
    const auto* head = reinterpret_cast<const DLGTEMPLATE*>(bytes.data());
    EXPECT_EQ(sizeof(DLGTEMPLATE), 18u);
    EXPECT_EQ(head->cdit, 2);
    EXPECT_EQ(head->cx, 103);
    EXPECT_EQ(head->cy, 49);
    // Menu 0, class 0, then "Enter Password" in UTF-16 right after the head.
    EXPECT_EQ(bytes[18] | bytes[19], 0);
    EXPECT_EQ(bytes[20] | bytes[21], 0);
    EXPECT_EQ(bytes[22], 'E');
    EXPECT_EQ(bytes[23], 0);
    // The first item: edit 1033 at 30, 7, 43, 12.
    const TemplateRead read = ReadTemplate(bytes);
    ASSERT_EQ(read.items.size(), 2u);
    const auto* item =
        reinterpret_cast<const DLGITEMTEMPLATE*>(bytes.data() + read.items[0].offset);
    EXPECT_EQ(item->id, 1033);
    EXPECT_EQ(item->x, 30);
    EXPECT_EQ(item->y, 7);
    EXPECT_EQ(item->cx, 43);
    EXPECT_EQ(item->cy, 12);
    const uint8_t* classField = bytes.data() + read.items[0].offset + sizeof(DLGITEMTEMPLATE);
    EXPECT_EQ(classField[0], 0xFF);
    EXPECT_EQ(classField[1], 0xFF);
    EXPECT_EQ(classField[2], 0x81);  // the Edit atom
    EXPECT_EQ(classField[3], 0x00);
}

TEST(DialogTemplateBuilder, WindowStylesFollowTheWindowFlags) {
    const uint32_t main = DialogStyle(MainWindowTemplate());
    EXPECT_EQ(main & (WS_POPUP | DS_SETFONT | WS_VISIBLE | WS_CAPTION | WS_SYSMENU),
              static_cast<uint32_t>(WS_POPUP | DS_SETFONT | WS_VISIBLE | WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(main & DS_MODALFRAME, 0u);
    EXPECT_EQ(main & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
    EXPECT_EQ(DialogExtendedStyle(MainWindowTemplate()), static_cast<uint32_t>(WS_EX_APPWINDOW));
    for (const DialogTemplate* dialog : {&ConfigDialogTemplate(), &PasswordDialogTemplate(),
                                         &AdvancedDialogTemplate(), &AboutDialogTemplate()}) {
        SCOPED_TRACE(dialog->templateId);
        const uint32_t style = DialogStyle(*dialog);
        EXPECT_NE(style & DS_MODALFRAME, 0u);
        EXPECT_NE(style & WS_SYSMENU, 0u);
        // Created hidden: the Advanced window until its button shows it, the
        // others until their modal run.
        EXPECT_EQ(style & WS_VISIBLE, 0u);
        EXPECT_EQ(DialogExtendedStyle(*dialog), 0u);
    }
}

uint32_t MainStyle(int id) {
    return ControlStyle(*FindControl(MainWindowTemplate(), id));
}

TEST(DialogTemplateBuilder, OnlyThePartNumberEditScrollsHorizontally) {
    EXPECT_NE(MainStyle(MainWindowIds::kNewPartNumber) & ES_AUTOHSCROLL, 0u);
    EXPECT_EQ(MainStyle(MainWindowIds::kNewSerialNumber) & ES_AUTOHSCROLL, 0u);
    const uint32_t password =
        ControlStyle(*FindControl(PasswordDialogTemplate(), PasswordDialogIds::kPassword));
    EXPECT_EQ(password & ES_AUTOHSCROLL, 0u);
    const uint32_t config =
        ControlStyle(*FindControl(ConfigDialogTemplate(), ConfigDialogIds::kPassword));
    EXPECT_EQ(config & ES_AUTOHSCROLL, 0u);
}

TEST(DialogTemplateBuilder, PasswordEditsAloneAreMasked) {
    EXPECT_NE(ControlStyle(*FindControl(PasswordDialogTemplate(), PasswordDialogIds::kPassword)) &
                  ES_PASSWORD,
              0u);
    EXPECT_NE(ControlStyle(*FindControl(ConfigDialogTemplate(), ConfigDialogIds::kPassword)) &
                  ES_PASSWORD,
              0u);
    EXPECT_EQ(MainStyle(MainWindowIds::kNewPartNumber) & ES_PASSWORD, 0u);
    EXPECT_EQ(MainStyle(MainWindowIds::kNewSerialNumber) & ES_PASSWORD, 0u);
}

TEST(DialogTemplateBuilder, ListBoxesSortAndSelectAsTheirFlagsSay) {
    const uint32_t files = MainStyle(MainWindowIds::kFileList);
    EXPECT_NE(files & LBS_NOSEL, 0u);
    EXPECT_NE(files & WS_VSCROLL, 0u);
    EXPECT_EQ(files & LBS_SORT, 0u) << "the download order is the list's order";
    const uint32_t configFiles =
        ControlStyle(*FindControl(ConfigDialogTemplate(), ConfigDialogIds::kFileList));
    EXPECT_NE(configFiles & LBS_SORT, 0u);
    EXPECT_NE(configFiles & WS_VSCROLL, 0u);
    EXPECT_EQ(configFiles & LBS_NOSEL, 0u);
    const uint32_t dldPath =
        ControlStyle(*FindControl(ConfigDialogTemplate(), ConfigDialogIds::kDldPath));
    EXPECT_EQ(dldPath & (LBS_SORT | LBS_NOSEL | WS_VSCROLL), 0u);
    EXPECT_NE(dldPath & LBS_NOTIFY, 0u);
}

TEST(DialogTemplateBuilder, ProgressLabelAndBarStartHidden) {
    EXPECT_EQ(MainStyle(MainWindowIds::kProgressLabel) & WS_VISIBLE, 0u);
    const uint32_t bar = MainStyle(MainWindowIds::kProgressBar);
    EXPECT_EQ(bar & WS_VISIBLE, 0u);
    EXPECT_NE(bar & PBS_SMOOTH, 0u);
    EXPECT_NE(bar & WS_BORDER, 0u);
    EXPECT_NE(bar & WS_CHILD, 0u);
    EXPECT_NE(MainStyle(MainWindowIds::kStop) & WS_VISIBLE, 0u);
}

TEST(DialogTemplateBuilder, StatusLineDoesNotWrapAndOtherLabelsDo) {
    EXPECT_EQ(MainStyle(MainWindowIds::kStatus) & SS_TYPEMASK,
              static_cast<uint32_t>(SS_LEFTNOWORDWRAP));
    EXPECT_EQ(MainStyle(MainWindowIds::kPlatformId) & SS_TYPEMASK, static_cast<uint32_t>(SS_LEFT));
}

TEST(DialogTemplateBuilder, ButtonsKeepTheirKinds) {
    EXPECT_EQ(MainStyle(MainWindowIds::kConfig) & 0x0F, static_cast<uint32_t>(BS_DEFPUSHBUTTON));
    EXPECT_EQ(MainStyle(MainWindowIds::kAdvanced) & 0x0F, static_cast<uint32_t>(BS_DEFPUSHBUTTON));
    EXPECT_EQ(MainStyle(MainWindowIds::kDownload) & 0x0F, static_cast<uint32_t>(BS_PUSHBUTTON));
    const uint32_t check =
        ControlStyle(*FindControl(ConfigDialogTemplate(), ConfigDialogIds::kMatchDld));
    EXPECT_EQ(check & 0x0F, static_cast<uint32_t>(BS_AUTOCHECKBOX));
    EXPECT_NE(check & WS_TABSTOP, 0u);
    const ControlTemplate& group = MainWindowTemplate().controls[2];
    ASSERT_EQ(group.kind, ControlKind::GroupBox);
    EXPECT_EQ(ControlStyle(group) & 0x0F, static_cast<uint32_t>(BS_GROUPBOX));
    EXPECT_EQ(ControlStyle(group) & WS_TABSTOP, 0u);
}

TEST(DialogTemplateBuilder, AboutPicturesNameTheirResources) {
    const TemplateRead read = ReadTemplate(BuildDialogTemplate(AboutDialogTemplate()));
    ASSERT_TRUE(read.ok);
    ASSERT_GE(read.items.size(), 2u);
    EXPECT_EQ(read.items[0].style & SS_TYPEMASK, static_cast<uint32_t>(SS_BITMAP));
    EXPECT_EQ(read.items[0].title.ordinal, 137);
    EXPECT_EQ(read.items[1].style & SS_TYPEMASK, static_cast<uint32_t>(SS_ICON));
    EXPECT_EQ(read.items[1].title.ordinal, 133);
    EXPECT_EQ(read.items[0].id, 0xFFFF) << "unnamed controls are IDC_STATIC";
    EXPECT_EQ(ItemWithId(read, AboutDialogIds::kVersion).title.text, "");
}

// A template whose texts reach a DWORD boundary at every possible offset.
TEST(DialogTemplateBuilder, ItemsStayAlignedWhateverTheTextLengths) {
    const char* texts[] = {"", "a", "ab", "abc", "abcd", "abcde"};
    std::vector<ControlTemplate> controls;
    for (int index = 0; index < 6; ++index) {
        controls.push_back({100 + index, ControlKind::Label, texts[index], index, index, 10, 8});
    }
    controls.push_back({200, ControlKind::ProgressBar, "", 1, 2, 3, 4});
    controls.push_back({201, ControlKind::Label, "x", -5, -6, 7, 8});
    for (const char* caption : texts) {
        const DialogTemplate dialog{1, caption, 50, 40, "MS Sans Serif", 8, 0, controls};
        const std::vector<uint8_t> bytes = BuildDialogTemplate(dialog);
        const TemplateRead read = ReadTemplate(bytes);
        ASSERT_TRUE(read.ok);
        EXPECT_EQ(read.caption, caption);
        ASSERT_EQ(read.items.size(), controls.size());
        for (size_t index = 0; index < controls.size(); ++index) {
            EXPECT_EQ(read.items[index].offset % 4, 0u);
            EXPECT_EQ(read.items[index].title.text, controls[index].text);
        }
        EXPECT_EQ(read.items.back().x, -5) << "negative dialog units survive";
        EXPECT_EQ(read.items.back().y, -6);
        EXPECT_EQ(read.end, bytes.size());
    }
}

}  // namespace
}  // namespace corvane::win32
