// Message values exchanged between the program's threads: WM_* go to the main
// window, TM_* to a worker thread. Both parameters are numbers or addresses.
#pragma once

#include <cstdint>

namespace corvane {

inline constexpr uint32_t WM_SCAN_DEVICES = 0x8001;
inline constexpr uint32_t WM_OPERATION_DONE = 0x8002;
inline constexpr uint32_t WM_SHOW_ERROR = 0x8003;
inline constexpr uint32_t WM_SET_CONTROL_TEXT = 0x8004;
inline constexpr uint32_t WM_SET_PROGRESS = 0x8005;
inline constexpr uint32_t WM_CLEAR_NVRAM = 0x8006;

// Messages the platform delivers to the main window.
inline constexpr uint32_t WM_COMMAND = 0x0111;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr uint32_t WM_DEVICECHANGE = 0x0219;

inline constexpr uint32_t TM_START = 0x8017;
inline constexpr uint32_t TM_PROGRAM_IDS = 0x801B;
inline constexpr uint32_t TM_DOWNLOAD = 0x801C;
inline constexpr uint32_t TM_STOP = 0x801D;
inline constexpr uint32_t TM_QUIT = 0x801E;
inline constexpr uint32_t TM_CLEAR_NVRAM = 0x801F;
inline constexpr uint32_t TM_VERIFY = 0x8020;
inline constexpr uint32_t TM_READ_REPLY = 0x8034;

// WM_SET_PROGRESS first parameter, as signed 32-bit numbers.
inline constexpr int32_t kProgressHide = -2;
inline constexpr int32_t kProgressShow = -1;

}  // namespace corvane
