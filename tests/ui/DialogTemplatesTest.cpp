#include "app/ui/DialogTemplates.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace corvane {
namespace {

bool Overlap(const ControlTemplate& a, const ControlTemplate& b) {
    return a.x < b.x + b.cx && b.x < a.x + a.cx && a.y < b.y + b.cy && b.y < a.y + a.cy;
}

bool Inside(const ControlTemplate& inner, const ControlTemplate& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.cx <= outer.x + outer.cx &&
           inner.y + inner.cy <= outer.y + outer.cy;
}

TEST(DialogTemplates, FiveWindowsFoundByTheirIds) {
    const std::set<int> expected = {100, 102, 129, 138, 139};
    std::set<int> ids;
    for (const DialogTemplate* dialog : AllDialogTemplates()) {
        ids.insert(dialog->templateId);
        EXPECT_EQ(FindDialogTemplate(dialog->templateId), dialog);
    }
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(FindDialogTemplate(101), nullptr);
    EXPECT_EQ(&MainWindowTemplate(), FindDialogTemplate(kMainTemplateId));
    EXPECT_EQ(&AboutDialogTemplate(), FindDialogTemplate(kAboutTemplateId));
}

TEST(DialogTemplates, WindowsUseTheDialogFontAndTheirCaptionsAndSizes) {
    const struct {
        const DialogTemplate& dialog;
        const char* caption;
        int cx, cy;
    } expected[] = {
        {ConfigDialogTemplate(), "Corvane Configuration", 226, 246},
        {PasswordDialogTemplate(), "Enter Password", 103, 49},
        {AdvancedDialogTemplate(), "Corvane Advanced", 105, 58},
        {AboutDialogTemplate(), "About Corvane", 193, 87},
        {MainWindowTemplate(), MainWindowTemplate().caption, 241, 196},
    };
    for (const auto& e : expected) {
        EXPECT_STREQ(e.dialog.caption, e.caption);
        EXPECT_EQ(e.dialog.cx, e.cx) << e.caption;
        EXPECT_EQ(e.dialog.cy, e.cy) << e.caption;
        EXPECT_STREQ(e.dialog.fontName, "MS Sans Serif");
        EXPECT_EQ(e.dialog.pointSize, 8);
        EXPECT_TRUE(e.dialog.windowFlags & kWindowCaption);
        EXPECT_TRUE(e.dialog.windowFlags & kWindowSystemMenu);
    }
    EXPECT_TRUE(MainWindowTemplate().windowFlags & kWindowVisible);
    EXPECT_TRUE(MainWindowTemplate().windowFlags & kWindowTaskbarButton);
    EXPECT_FALSE(AdvancedDialogTemplate().windowFlags & kWindowVisible);
}

TEST(DialogTemplates, IdsAreUniqueWithinEachWindow) {
    for (const DialogTemplate* dialog : AllDialogTemplates()) {
        std::set<int> seen;
        for (const ControlTemplate& control : dialog->controls) {
            if (control.id == kIdStatic) {
                continue;
            }
            EXPECT_TRUE(seen.insert(control.id).second)
                << "duplicate id " << control.id << " in template " << dialog->templateId;
        }
    }
}

TEST(DialogTemplates, EveryControlLiesInsideItsWindow) {
    for (const DialogTemplate* dialog : AllDialogTemplates()) {
        for (const ControlTemplate& c : dialog->controls) {
            EXPECT_GT(c.cx, 0) << dialog->templateId << "/" << c.id << " " << c.text;
            EXPECT_GT(c.cy, 0) << dialog->templateId << "/" << c.id << " " << c.text;
            EXPECT_GE(c.x, 0) << dialog->templateId << "/" << c.id << " " << c.text;
            EXPECT_GE(c.y, 0) << dialog->templateId << "/" << c.id << " " << c.text;
            EXPECT_LE(c.x + c.cx, dialog->cx) << dialog->templateId << "/" << c.id << " " << c.text;
            EXPECT_LE(c.y + c.cy, dialog->cy) << dialog->templateId << "/" << c.id << " " << c.text;
        }
    }
}

// Controls never cover one another, and a group box holds every control it
// touches whole: a mistyped position shows up as an overlap.
TEST(DialogTemplates, ControlsDoNotOverlapAndGroupBoxesHoldWholeControls) {
    for (const DialogTemplate* dialog : AllDialogTemplates()) {
        const auto& controls = dialog->controls;
        for (size_t i = 0; i < controls.size(); ++i) {
            for (size_t j = i + 1; j < controls.size(); ++j) {
                const ControlTemplate& a = controls[i];
                const ControlTemplate& b = controls[j];
                if (!Overlap(a, b)) {
                    continue;
                }
                const bool aGroup = a.kind == ControlKind::GroupBox;
                const bool bGroup = b.kind == ControlKind::GroupBox;
                EXPECT_TRUE((aGroup && Inside(b, a)) || (bGroup && Inside(a, b)))
                    << "template " << dialog->templateId << ": \"" << a.text << "\" (" << a.id
                    << ") and \"" << b.text << "\" (" << b.id << ")";
            }
        }
    }
}

TEST(DialogTemplates, TextsAndResourcesFitTheKind) {
    for (const DialogTemplate* dialog : AllDialogTemplates()) {
        for (const ControlTemplate& c : dialog->controls) {
            ASSERT_NE(c.text, nullptr);
            switch (c.kind) {
                case ControlKind::Button:
                case ControlKind::DefaultButton:
                case ControlKind::CheckBox:
                case ControlKind::GroupBox:
                    EXPECT_STRNE(c.text, "") << dialog->templateId << "/" << c.id;
                    break;
                case ControlKind::Edit:
                case ControlKind::ListBox:
                case ControlKind::ProgressBar:
                case ControlKind::Image:
                case ControlKind::Icon:
                    EXPECT_STREQ(c.text, "") << dialog->templateId << "/" << c.id;
                    break;
                case ControlKind::Label:
                    break;
            }
            const bool picture = c.kind == ControlKind::Image || c.kind == ControlKind::Icon;
            EXPECT_EQ(picture, c.resourceId != 0) << dialog->templateId << "/" << c.id;
            // Controls the program addresses are named; buttons, check boxes
            // and edits always are.
            if (c.kind != ControlKind::Label && c.kind != ControlKind::GroupBox && !picture) {
                EXPECT_NE(c.id, kIdStatic) << dialog->templateId << " \"" << c.text << "\"";
            }
        }
    }
    EXPECT_EQ(AboutDialogTemplate().controls[0].resourceId, kBannerResourceId);
    EXPECT_EQ(AboutDialogTemplate().controls[1].resourceId, kIconResourceId);
}

TEST(DialogTemplates, DialogsEndWithOneOkDefaultButton) {
    for (const DialogTemplate* dialog : AllDialogTemplates()) {
        const ControlTemplate* ok = FindControl(*dialog, kIdOk);
        if (dialog->templateId == kMainTemplateId) {
            EXPECT_EQ(ok, nullptr);
            continue;
        }
        ASSERT_NE(ok, nullptr) << dialog->templateId;
        EXPECT_EQ(ok->kind, ControlKind::DefaultButton);
        EXPECT_STREQ(ok->text, "OK");
        int defaults = 0;
        for (const ControlTemplate& c : dialog->controls) {
            defaults += c.kind == ControlKind::DefaultButton;
        }
        EXPECT_EQ(defaults, 1) << dialog->templateId;
    }
}

TEST(DialogTemplates, NamedControlsHaveTheirKindsAndTexts) {
    const struct {
        const DialogTemplate& dialog;
        int id;
        ControlKind kind;
        const char* text;
    } expected[] = {
        {MainWindowTemplate(), MainWindowIds::kDownload, ControlKind::Button, "Download"},
        {MainWindowTemplate(), MainWindowIds::kConfig, ControlKind::DefaultButton, "Config"},
        {MainWindowTemplate(), MainWindowIds::kProgressBar, ControlKind::ProgressBar, ""},
        {MainWindowTemplate(), MainWindowIds::kFileList, ControlKind::ListBox, ""},
        {MainWindowTemplate(), MainWindowIds::kAdvanced, ControlKind::DefaultButton, "Advanced"},
        {MainWindowTemplate(), MainWindowIds::kVerify, ControlKind::Button, "Verify"},
        {MainWindowTemplate(), MainWindowIds::kSelectFiles, ControlKind::Button, "Select Files"},
        {MainWindowTemplate(), MainWindowIds::kProgramIds, ControlKind::Button, "Program IDs"},
        {MainWindowTemplate(), MainWindowIds::kProgressLabel, ControlKind::Label,
         "Download Progress:"},
        {MainWindowTemplate(), MainWindowIds::kStatus, ControlKind::Label, "Dummy Text"},
        {MainWindowTemplate(), MainWindowIds::kPlatformId, ControlKind::Label, "Dummy Text"},
        {MainWindowTemplate(), MainWindowIds::kStop, ControlKind::Button, "Stop"},
        {MainWindowTemplate(), MainWindowIds::kNewPartNumber, ControlKind::Edit, ""},
        {MainWindowTemplate(), MainWindowIds::kNewSerialNumber, ControlKind::Edit, ""},
        {MainWindowTemplate(), MainWindowIds::kPartNumber, ControlKind::Label, "Dummy Text"},
        {MainWindowTemplate(), MainWindowIds::kSerialNumber, ControlKind::Label, "Dummy Text"},
        {ConfigDialogTemplate(), ConfigDialogIds::kFileSelection, ControlKind::CheckBox,
         "Enable File Selection in Main Dialog"},
        {ConfigDialogTemplate(), ConfigDialogIds::kFileList, ControlKind::ListBox, ""},
        {ConfigDialogTemplate(), ConfigDialogIds::kSelectFiles, ControlKind::Button,
         "Select Files"},
        {ConfigDialogTemplate(), ConfigDialogIds::kMatchDld, ControlKind::CheckBox,
         "Match .DLD to Part Number"},
        {ConfigDialogTemplate(), ConfigDialogIds::kSelectDldPath, ControlKind::Button,
         "Select .DLD Path"},
        {ConfigDialogTemplate(), ConfigDialogIds::kDldPath, ControlKind::ListBox, ""},
        {ConfigDialogTemplate(), ConfigDialogIds::kHardwareTest, ControlKind::CheckBox,
         "Test for HW Compatibility"},
        {ConfigDialogTemplate(), ConfigDialogIds::kPassword, ControlKind::Edit, ""},
        {ConfigDialogTemplate(), ConfigDialogIds::kCompletionBox, ControlKind::CheckBox,
         "Completion Message Box"},
        {ConfigDialogTemplate(), ConfigDialogIds::kAdvanced, ControlKind::CheckBox,
         "Enable Advanced Dialog"},
        {ConfigDialogTemplate(), ConfigDialogIds::kVerifyDownloads, ControlKind::CheckBox,
         "Verify Downloads"},
        {PasswordDialogTemplate(), PasswordDialogIds::kPassword, ControlKind::Edit, ""},
        {AdvancedDialogTemplate(), AdvancedDialogIds::kClearNvram, ControlKind::Button,
         "Clear NVRAM"},
        {AboutDialogTemplate(), AboutDialogIds::kVersion, ControlKind::Label, ""},
    };
    size_t named = 0;
    for (const auto& e : expected) {
        const ControlTemplate* c = FindControl(e.dialog, e.id);
        ASSERT_NE(c, nullptr) << e.dialog.templateId << "/" << e.id;
        EXPECT_EQ(c->kind, e.kind) << e.dialog.templateId << "/" << e.id;
        EXPECT_STREQ(c->text, e.text) << e.dialog.templateId << "/" << e.id;
    }
    // Every named control apart from the OK buttons is listed above.
    for (const DialogTemplate* dialog : AllDialogTemplates()) {
        for (const ControlTemplate& c : dialog->controls) {
            named += c.id != kIdStatic && c.id != kIdOk;
        }
    }
    EXPECT_EQ(named, std::size(expected));
}

TEST(DialogTemplates, StylesSitOnTheRightControls) {
    std::vector<std::string> hidden, masked;
    for (const DialogTemplate* dialog : AllDialogTemplates()) {
        for (const ControlTemplate& c : dialog->controls) {
            const std::string name =
                std::to_string(dialog->templateId) + "/" + std::to_string(c.id);
            if (c.flags & kControlHiddenAtStart) {
                hidden.push_back(name);
            }
            if (c.flags & kControlMasked) {
                masked.push_back(name);
            }
        }
    }
    EXPECT_EQ(hidden, (std::vector<std::string>{"102/1011", "102/1004"}));
    EXPECT_EQ(masked, (std::vector<std::string>{"129/1034", "138/1033"}));

    const DialogTemplate& main = MainWindowTemplate();
    const uint32_t fileList = FindControl(main, MainWindowIds::kFileList)->flags;
    EXPECT_TRUE(fileList & kControlNoSelection);
    EXPECT_TRUE(fileList & kControlVScroll);
    EXPECT_FALSE(fileList & kControlSorted);
    const uint32_t configList =
        FindControl(ConfigDialogTemplate(), ConfigDialogIds::kFileList)->flags;
    EXPECT_TRUE(configList & kControlSorted);
    EXPECT_TRUE(configList & kControlVScroll);
    const uint32_t progress = FindControl(main, MainWindowIds::kProgressBar)->flags;
    EXPECT_TRUE(progress & kControlSmooth);
    EXPECT_TRUE(progress & kControlBorder);
    EXPECT_TRUE(FindControl(main, MainWindowIds::kNewPartNumber)->flags & kControlAutoHScroll);
    EXPECT_TRUE(FindControl(main, MainWindowIds::kStatus)->flags & kControlNoWordWrap);
    EXPECT_EQ(kProgressRangeMin, 0);
    EXPECT_EQ(kProgressRangeMax, 100);
}

TEST(DialogTemplates, FindControlIsPerWindowAndNeverMatchesTheUnnamedId) {
    EXPECT_EQ(FindControl(MainWindowTemplate(), 1007)->kind, ControlKind::Button);
    EXPECT_EQ(FindControl(ConfigDialogTemplate(), 1007)->kind, ControlKind::CheckBox);
    EXPECT_EQ(FindControl(MainWindowTemplate(), kIdStatic), nullptr);
    EXPECT_EQ(FindControl(MainWindowTemplate(), 1033), nullptr);
    EXPECT_EQ(FindControl(PasswordDialogTemplate(), 0), nullptr);
}

TEST(DialogTemplates, DialogUnitsMapToPixelsAsWindowsRoundsThem) {
    // MS Sans Serif 8 at 96 dpi: base units 6 x 13.
    const PixelRect window = MapDialogUnits(0, 0, 241, 196, 6, 13);
    EXPECT_EQ(window.cx, 362);  // 361.5 rounds up
    EXPECT_EQ(window.cy, 319);  // 318.5 rounds up
    const PixelRect stop = MapDialogUnits(184, 169, 50, 14, 6, 13);
    EXPECT_EQ(stop.x, 276);
    EXPECT_EQ(stop.y, 275);  // 274.625
    EXPECT_EQ(stop.cx, 75);
    EXPECT_EQ(stop.cy, 23);  // 22.75
    const PixelRect one = MapDialogUnits(1, 1, 1, 1, 6, 13);
    EXPECT_EQ(one.x, 2);  // 1.5
    EXPECT_EQ(one.y, 2);  // 1.625
    const PixelRect zero = MapDialogUnits(0, 0, 0, 0, 7, 16);
    EXPECT_EQ(zero.cx, 0);
    EXPECT_EQ(zero.cy, 0);
}

TEST(DialogTemplates, FittingBaseUnitWidensOnlyAsFarAsTheTextsNeed) {
    const ControlTemplate controls[] = {
        {1, ControlKind::Label, "one line", 0, 0, 40, 8},
        {2, ControlKind::Label, "two lines", 0, 0, 20, 16},  // may wrap
        {3, ControlKind::Button, "button", 0, 0, 40, 14},
    };
    const DialogTemplate dialog{1, "", 60, 40, "", 8, 0, controls};
    struct Case {
        const char* name;
        int labelNeeds, twoLineNeeds, buttonNeeds, expected;
    };
    // Base units 6 x 13: 40 units are 60 pixels, one pixel of base unit 10 more.
    const Case cases[] = {
        {"everything fits", 60, 500, 0, 6},
        {"one pixel over", 61, 0, 0, 7},
        {"exactly at the widened width", 70, 0, 0, 7},
        {"the widest text decides", 0, 0, 71, 8},
        {"a wrapping label is not counted", 60, 500, 60, 6},
        {"a hopeless text stops at half as wide again", 1000, 0, 0, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int fitted = FittingBaseUnitX(dialog, 6, 13, [&](const ControlTemplate& control) {
            return control.id == 1   ? c.labelNeeds
                   : control.id == 2 ? c.twoLineNeeds
                                     : c.buttonNeeds;
        });
        EXPECT_EQ(fitted, c.expected);
    }
}

}  // namespace
}  // namespace corvane
