#include "objects/struct_types.h"

namespace orv {

namespace {

// Word lists: every name stands between blanks, so that a search for
// " NAME " matches whole words only. The first list holding a name decides
// its size.
constexpr StringView kOneByte = u" CHAR UCHAR BOOLEAN BYTE INT8 ";
constexpr StringView kTwoBytes = u" ATOM INT16 LANGID WCHAR WORD USAGE SHORT USHORT TCHAR ";
constexpr StringView kFourBytes =
    u" SIGNED UNSIGNED INT ACCESS_MASK UINT FLOAT INT32 LONG LONG32 HFILE HRESULT BOOL COLORREF DWORD DWORD32 LCID "
    u"LCTYPE LGRPID UINT32 ULONG ULONG32 HALF_PTR UHALF_PTR ";
// LRESULT is what a window procedure returns, a pointer-sized value on x64.
constexpr StringView kEightBytes =
    u" INT64 UINT64 DOUBLE __int64 LONGLONG LONG64 USN DWORDLONG DWORD64 ULONGLONG ULONG64 PTR UPTR PINT8 PINT16 "
    u"PINT32 INT_PTR LONG_PTR POINTER_64 POINTER_SIGNED SSIZE_T WPARAM PBOOL PBOOLEAN PBYTE PCHAR PCSTR PCTSTR "
    u"PCWSTR PDWORD PDWORDLONG PDWORD_PTR PDWORD32 PDWORD64 PFLOAT PHALF_PTR DWORD_PTR HACCEL HANDLE HBITMAP HBRUSH "
    u"HCOLORSPACE HCONV HCONVLIST HCURSOR HDC HDDEDATA HDESK HDROP HDWP HENHMETAFILE HFONT HGDIOBJ HGLOBAL HHOOK "
    u"HICON HINSTANCE HKEY HKL HLOCAL HMENU HMETAFILE HMODULE HMONITOR HPALETTE HPEN HRGN HRSRC HSZ HWINSTA HWND "
    u"LPARAM LPBOOL LPBYTE LPCOLORREF LPCSTR LPCTSTR LPCVOID LPCWSTR LPDWORD LPHANDLE LPINT LPLONG LPSTR LPTSTR "
    u"LPVOID LPWORD LPWSTR PHANDLE PHKEY PINT PINT_PTR PINT32 PINT64 PLCID PLONG PLONGLONG PLONG_PTR PLONG32 "
    u"PLONG64 POINTER_32 POINTER_UNSIGNED PSHORT PSIZE_T PSSIZE_T PSTR PTBYTE PTCHAR PTSTR PUCHAR PUHALF_PTR PUINT "
    u"PUINT_PTR PUINT32 PUINT64 PULONG PULONGLONG PULONG_PTR PULONG32 PULONG64 PUSHORT PVOID PWCHAR PWORD PWSTR "
    u"SC_HANDLE SC_LOCK SERVICE_STATUS_HANDLE SIZE_T UINT_PTR ULONG_PTR VOID LRESULT ";

constexpr StringView kUtf16Types = u" TCHAR LPTSTR LPCTSTR LPWSTR LPCWSTR WCHAR ";
constexpr StringView kAnsiTypes = u" CHAR LPSTR LPCSTR UCHAR ";
// Only the values themselves: PFLOAT is a pointer and reads as one.
constexpr StringView kFloatTypes = u" FLOAT DOUBLE ";
constexpr StringView kSignedTypes =
    u" PTR SHORT INT INT8 INT16 INT32 INT64 CHAR ACCESS_MASK PVOID VOID HALF_PTR BOOL LONG LONG32 LONGLONG LONG64 "
    u"USN INT_PTR LONG_PTR POINTER_64 POINTER_SIGNED SIGNED SSIZE_T WPARAM __int64 LRESULT ";

bool in_list(StringView list, StringView name) {
  if (name.empty() || name.size() > 40) return false;
  for (char16_t c : name)
    if (c == u' ') return false;
  char16_t buf[44];
  buf[0] = u' ';
  for (size_t i = 0; i < name.size(); ++i) buf[i + 1] = name[i];
  buf[name.size() + 1] = u' ';
  return find_ignore_case(list, StringView(buf, name.size() + 2)) != StringView::npos;
}

}  // namespace

StructType find_struct_type(StringView name) {
  StructType t;
  // C's bool is one byte; only its own spelling, since BOOL is four.
  if (name == u"bool") t.size = 1;
  else if (in_list(kOneByte, name)) t.size = 1;
  else if (in_list(kTwoBytes, name)) t.size = 2;
  else if (in_list(kFourBytes, name)) t.size = 4;
  else if (in_list(kEightBytes, name)) t.size = 8;
  else return t;
  if (in_list(kUtf16Types, name)) t.encoding = kEncodingUtf16;
  else if (in_list(kAnsiTypes, name)) t.encoding = kEncodingAnsi;
  t.is_text_pointer = t.encoding != kNoEncoding && t.size == 8;
  t.is_float = in_list(kFloatTypes, name);
  t.is_unsigned = !t.is_float && !in_list(kSignedTypes, name);
  return t;
}

}  // namespace orv
