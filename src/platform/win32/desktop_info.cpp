// What the desktop shows right now: the screen, the caret, the mouse cursor,
// and how long the user has been idle.
#include <windows.h>

#include "platform/platform.h"

namespace orv::platform {

ScreenMetrics primary_screen() {
  ScreenMetrics m;
  m.width = GetSystemMetrics(SM_CXSCREEN);
  m.height = GetSystemMetrics(SM_CYSCREEN);
  if (HDC dc = GetDC(nullptr)) {
    m.dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
  }
  return m;
}

bool caret_position(CoordOrigin origin, int32_t& x, int32_t& y) {
  HWND foreground = GetForegroundWindow();
  if (!foreground) return false;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &info) || !info.hwndCaret) return false;
  POINT pt{info.rcCaret.left, info.rcCaret.top};
  if (!ClientToScreen(info.hwndCaret, &pt)) return false;
  if (origin == CoordOrigin::Window) {
    RECT r;
    if (!GetWindowRect(foreground, &r)) return false;
    pt.x -= r.left;
    pt.y -= r.top;
  } else if (origin == CoordOrigin::Client) {
    if (!ScreenToClient(foreground, &pt)) return false;
  }
  x = pt.x;
  y = pt.y;
  return true;
}

String cursor_name() {
  struct Shape {
    LPCWSTR id;
    const char16_t* name;
  };
  static const Shape kShapes[] = {
      {IDC_APPSTARTING, u"AppStarting"}, {IDC_ARROW, u"Arrow"},     {IDC_CROSS, u"Cross"},
      {IDC_HAND, u"Hand"},               {IDC_HELP, u"Help"},       {IDC_IBEAM, u"IBeam"},
      {IDC_ICON, u"Icon"},               {IDC_NO, u"No"},           {IDC_SIZE, u"Size"},
      {IDC_SIZEALL, u"SizeAll"},         {IDC_SIZENESW, u"SizeNESW"}, {IDC_SIZENS, u"SizeNS"},
      {IDC_SIZENWSE, u"SizeNWSE"},       {IDC_SIZEWE, u"SizeWE"},   {IDC_UPARROW, u"UpArrow"},
      {IDC_WAIT, u"Wait"},
  };
  CURSORINFO info{};
  info.cbSize = sizeof info;
  if (GetCursorInfo(&info) && info.hCursor) {
    for (const Shape& s : kShapes)
      if (LoadCursorW(nullptr, s.id) == info.hCursor) return s.name;
  }
  return u"Unknown";
}

bool idle_time_ms(uint64_t& ms) {
  LASTINPUTINFO info{};
  info.cbSize = sizeof info;
  if (!GetLastInputInfo(&info)) return false;
  ms = DWORD(GetTickCount() - info.dwTime);
  return true;
}

}  // namespace orv::platform
