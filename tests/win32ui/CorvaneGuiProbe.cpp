// corvane_gui_probe: looks at a running Corvane.exe from outside, as the GUI
// test script needs it (run under the same Wine prefix).
//   corvane_gui_probe wait-window MS   the main window "Corvane v1.6" appears
//                                      and its status reads "Waiting for new
//                                      connection..." within MS milliseconds
//   corvane_gui_probe wait-identified MS the main window shows a projector
//                                      identified: status "Connected" and its
//                                      platform id, within MS milliseconds
//   corvane_gui_probe about MS         the system menu's About item opens "About
//                                      Corvane" with version "1.6", banner and
//                                      icon; its OK closes it again
//   corvane_gui_probe close MS         posts WM_CLOSE; the window goes within MS
//   corvane_gui_probe clear-settings   deletes the settings key
//   corvane_gui_probe settings         the values the program writes on close
// Exit code 0 when the check holds, 1 when it fails, 2 for a bad command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/ui/win32/WindowsApi.h"

namespace {

constexpr const char* kCaption = "Corvane v1.6";
constexpr const char* kWaiting = "Waiting for new connection...";
constexpr const char* kConnected = "Connected";
constexpr const char* kSettingsKey = "Software\\Moravex\\Corvane\\Settings";
constexpr int kStatusId = 1012;
constexpr int kPlatformId = 1014;
constexpr const char* kAboutCaption = "About Corvane";
constexpr WPARAM kAboutCommand = 0x10;
constexpr int kVersionId = 1018;
constexpr DWORD kPollMs = 100;

HWND FindMainWindow() {
    return FindWindowA(nullptr, kCaption);
}

std::string ItemText(HWND window, int id) {
    char text[128] = {};
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

// The main window becomes visible with this status and, when a projector is
// expected, a platform id.
int WaitWindow(DWORD timeoutMs, const char* expected, bool projector) {
    std::string status;
    std::string platform;
    for (DWORD waited = 0; waited <= timeoutMs; waited += kPollMs) {
        if (HWND window = FindMainWindow(); window != nullptr && IsWindowVisible(window)) {
            status = ItemText(window, kStatusId);
            platform = ItemText(window, kPlatformId);
            if (status == expected && (!projector || !platform.empty())) {
                std::printf("main window \"%s\", status \"%s\", platform \"%s\"\n", kCaption,
                            status.c_str(), platform.c_str());
                return 0;
            }
        }
        Sleep(kPollMs);
    }
    std::fprintf(stderr,
                 "no visible window \"%s\" with status \"%s\" (last status \"%s\", platform "
                 "\"%s\")\n",
                 kCaption, expected, status.c_str(), platform.c_str());
    return 1;
}

int Close(DWORD timeoutMs) {
    HWND window = FindMainWindow();
    if (window == nullptr || !PostMessageA(window, WM_CLOSE, 0, 0)) {
        std::fprintf(stderr, "no window \"%s\" to close\n", kCaption);
        return 1;
    }
    for (DWORD waited = 0; waited <= timeoutMs; waited += kPollMs) {
        if (!IsWindow(window)) {
            std::printf("main window closed\n");
            return 0;
        }
        Sleep(kPollMs);
    }
    std::fprintf(stderr, "window \"%s\" still open after WM_CLOSE\n", kCaption);
    return 1;
}

// Polls for a top-level window with this caption; nullptr after timeoutMs.
HWND WaitForCaption(const char* caption, DWORD timeoutMs) {
    for (DWORD waited = 0; waited <= timeoutMs; waited += kPollMs) {
        if (HWND window = FindWindowA(nullptr, caption);
            window != nullptr && IsWindowVisible(window)) {
            return window;
        }
        Sleep(kPollMs);
    }
    return nullptr;
}

// The About box's first picture of the given static type shows an image.
bool ShowsPicture(HWND about, LONG_PTR type, UINT imageType) {
    for (HWND child = GetWindow(about, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == type) {
            return SendMessageA(child, STM_GETIMAGE, imageType, 0) != 0;
        }
    }
    return false;
}

int About(DWORD timeoutMs) {
    HWND main = FindMainWindow();
    if (main == nullptr || !PostMessageA(main, WM_SYSCOMMAND, kAboutCommand, 0)) {
        std::fprintf(stderr, "no window \"%s\" to ask for the About box\n", kCaption);
        return 1;
    }
    HWND about = WaitForCaption(kAboutCaption, timeoutMs);
    if (about == nullptr) {
        std::fprintf(stderr, "no \"%s\" window\n", kAboutCaption);
        return 1;
    }
    char version[32] = {};
    GetDlgItemTextA(about, kVersionId, version, sizeof version);
    const bool banner = ShowsPicture(about, SS_BITMAP, IMAGE_BITMAP);
    const bool icon = ShowsPicture(about, SS_ICON, IMAGE_ICON);
    std::printf("\"%s\": version \"%s\", banner %s, icon %s\n", kAboutCaption, version,
                banner ? "shown" : "missing", icon ? "shown" : "missing");
    PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    bool closed = false;
    for (DWORD waited = 0; waited <= timeoutMs && !closed; waited += kPollMs) {
        closed = !IsWindow(about) || !IsWindowVisible(about);
        Sleep(kPollMs);
    }
    if (!closed) {
        std::fprintf(stderr, "\"%s\" still open after OK\n", kAboutCaption);
    }
    return std::strcmp(version, "1.6") == 0 && banner && icon && closed ? 0 : 1;
}

int ClearSettings() {
    const LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsKey);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? 0 : 1;
}

struct NumberValue {
    const char* name;  // nullptr: the unnamed value
    DWORD expected;
};

int Settings() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        std::fprintf(stderr, "no key HKLM\\%s\n", kSettingsKey);
        return 1;
    }
    // What a first run writes on close: the defaults.
    const NumberValue numbers[] = {
        {"Enable File Selection", 1},       {"Match Files to Hardware", 1},
        {"Match Files to Part Number", 0},  {"Enable Advanced Dialog", 0},
        {"Show Completion Message Box", 0}, {nullptr, 0},
    };
    int failures = 0;
    for (const NumberValue& value : numbers) {
        DWORD type = 0;
        DWORD number = 0;
        DWORD size = sizeof number;
        const LONG result = RegQueryValueExA(key, value.name, nullptr, &type,
                                             reinterpret_cast<BYTE*>(&number), &size);
        const char* shown = value.name != nullptr ? value.name : "(default)";
        if (result != ERROR_SUCCESS || type != REG_DWORD || number != value.expected) {
            std::fprintf(stderr, "value %s: result %ld type %lu number %lu, expected dword %lu\n",
                         shown, static_cast<long>(result), static_cast<unsigned long>(type),
                         static_cast<unsigned long>(number),
                         static_cast<unsigned long>(value.expected));
            ++failures;
        } else {
            std::printf("\"%s\"=dword:%08lx\n", shown, static_cast<unsigned long>(number));
        }
    }
    char path[300] = {'x', '\0'};
    DWORD type = 0;
    DWORD size = sizeof path;
    const LONG result =
        RegQueryValueExA(key, ".DLD Path", nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    if (result != ERROR_SUCCESS || type != REG_SZ || path[0] != '\0') {
        std::fprintf(stderr, "value .DLD Path: result %ld type %lu, expected an empty text\n",
                     static_cast<long>(result), static_cast<unsigned long>(type));
        ++failures;
    } else {
        std::printf("\".DLD Path\"=\"\"\n");
    }
    RegCloseKey(key);
    return failures == 0 ? 0 : 1;
}

DWORD Milliseconds(const char* text) {
    return static_cast<DWORD>(std::strtoul(text, nullptr, 10));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "wait-window" && argc == 3) {
        return WaitWindow(Milliseconds(argv[2]), kWaiting, false);
    }
    if (command == "wait-identified" && argc == 3) {
        return WaitWindow(Milliseconds(argv[2]), kConnected, true);
    }
    if (command == "about" && argc == 3) {
        return About(Milliseconds(argv[2]));
    }
    if (command == "close" && argc == 3) {
        return Close(Milliseconds(argv[2]));
    }
    if (command == "clear-settings" && argc == 2) {
        return ClearSettings();
    }
    if (command == "settings" && argc == 2) {
        return Settings();
    }
    std::fprintf(
        stderr,
        "usage: corvane_gui_probe wait-window MS | wait-identified MS | about MS | close MS | "
        "clear-settings | settings\n");
    return 2;
}
