#include "platform/win32/icons.h"

#include <cstdint>

namespace orv::platform {

HICON load_file_icon(const std::wstring& file, int number, int size) {
  HICON icon = nullptr;
  int index = number > 0 ? number - 1 : number;
  UINT got = PrivateExtractIconsW(file.c_str(), index, size, size, &icon, nullptr, 1, LR_DEFAULTCOLOR);
  if (got == 0 || got == 0xFFFFFFFF) return nullptr;
  return icon;
}

namespace {

HBITMAP make_dib(HDC dc, int size, uint32_t*& bits) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = size;
  bi.bmiHeader.biHeight = -size;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* p = nullptr;
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
  bits = static_cast<uint32_t*>(p);
  return bmp;
}

}  // namespace

HBITMAP icon_to_bitmap(HICON icon, int size) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  uint32_t* bits = nullptr;
  HBITMAP bmp = make_dib(screen, size, bits);
  if (!bmp) {
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return nullptr;
  }
  HGDIOBJ old = SelectObject(dc, bmp);
  const size_t n = size_t(size) * size;
  for (size_t i = 0; i < n; ++i) bits[i] = 0;
  DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  GdiFlush();
  bool has_alpha = false;
  for (size_t i = 0; i < n && !has_alpha; ++i) has_alpha = (bits[i] >> 24) != 0;
  if (!has_alpha) {
    // An icon without an alpha channel: its mask says which pixels show.
    uint32_t* mask = nullptr;
    HBITMAP mask_bmp = make_dib(screen, size, mask);
    if (mask_bmp) {
      HDC mdc = CreateCompatibleDC(screen);
      HGDIOBJ mold = SelectObject(mdc, mask_bmp);
      DrawIconEx(mdc, 0, 0, icon, size, size, 0, nullptr, DI_MASK);
      GdiFlush();
      for (size_t i = 0; i < n; ++i) bits[i] = (mask[i] & 0xFFFFFF) ? 0 : (bits[i] | 0xFF000000u);
      SelectObject(mdc, mold);
      DeleteDC(mdc);
      DeleteObject(mask_bmp);
    } else {
      for (size_t i = 0; i < n; ++i) bits[i] |= 0xFF000000u;
    }
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return bmp;
}

}  // namespace orv::platform
