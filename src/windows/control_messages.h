// The system's message numbers and codes the control commands send. They
// are fixed values of the window-message protocol, kept here so that the
// commands can be tested against a scripted desktop without the system's
// headers.
#pragma once

#include <cstdint>

namespace orv::wm {

inline constexpr uint32_t SetText = 0x000C, Command = 0x0111, KeyDown = 0x0100, KeyUp = 0x0101, Paste = 0x0302;
inline constexpr uint32_t MouseMove = 0x0200, LButtonDown = 0x0201, RButtonDown = 0x0204, MButtonDown = 0x0207,
                          MouseWheel = 0x020A, XButtonDown = 0x020B;
// A button's up message follows its down one; the double-click one follows that.
inline constexpr uint32_t kUpAfterDown = 1, kDoubleAfterDown = 2;
inline constexpr uint32_t MkLButton = 0x01, MkRButton = 0x02, MkMButton = 0x10, MkXButton1 = 0x20, MkXButton2 = 0x40;
inline constexpr uint32_t VkLeft = 0x25, VkRight = 0x27;

inline constexpr uint32_t BmGetCheck = 0x00F0, BmSetCheck = 0x00F1, BnClicked = 0;

inline constexpr uint32_t CbAddString = 0x0143, CbDeleteString = 0x0144, CbGetCount = 0x0146, CbGetCurSel = 0x0147,
                          CbGetLbText = 0x0148, CbGetLbTextLen = 0x0149, CbSelectString = 0x014D,
                          CbSetCurSel = 0x014E, CbShowDropDown = 0x014F, CbFindStringExact = 0x0158;
inline constexpr uint32_t CbnSelChange = 1, CbnSelEndOk = 9;

inline constexpr uint32_t LbAddString = 0x0180, LbDeleteString = 0x0182, LbSetSel = 0x0185, LbSetCurSel = 0x0186,
                          LbGetCurSel = 0x0188, LbGetText = 0x0189, LbGetTextLen = 0x018A, LbGetCount = 0x018B,
                          LbSelectString = 0x018C, LbFindStringExact = 0x01A2;
inline constexpr uint32_t LbnSelChange = 1;

inline constexpr uint32_t EmGetSel = 0x00B0, EmGetLineCount = 0x00BA, EmLineIndex = 0x00BB, EmLineLength = 0x00C1,
                          EmReplaceSel = 0x00C2, EmLineFromChar = 0x00C9;
inline constexpr uint32_t TcmGetCurSel = 0x130B;

inline constexpr uint32_t StyleDisabled = 0x08000000, StyleVisible = 0x10000000;
inline constexpr intptr_t Error = -1;  // what list and combo boxes answer for "no such item"

}  // namespace orv::wm
