// The test driver's look at another program's list views and status bars.
// The system does not carry their messages' buffers across processes, so
// the driver lends the target memory of its own (VirtualAllocEx) and reads
// it back.
//
//   lv-rows   TITLE-SUFFIX CLASSNN [FIRST LAST]
//                                       one line per row (from 0; all without FIRST and LAST):
//                                       marks (* selected, + checked, > focused, or -) and
//                                       the cells, tab-separated; first a line with the row
//                                       and column counts
//   lv-point  TITLE-SUFFIX CLASSNN ROW  print the screen point in the middle of a row
//                                       (ROW -1: of the first column's header): X Y
//   sb-parts  TITLE-SUFFIX CLASSNN      print the status bar's parts' texts, tab-separated
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>


namespace {

// A piece of memory in the target process, freed when done.
class Remote {
 public:
  Remote(HWND target, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(target, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) at_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~Remote() {
    if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  bool ok() const { return at_ != nullptr; }
  char* at() const { return static_cast<char*>(at_); }
  bool write(size_t offset, const void* data, size_t n) {
    return WriteProcessMemory(process_, at() + offset, data, n, nullptr) != 0;
  }
  bool read(size_t offset, void* data, size_t n) { return ReadProcessMemory(process_, at() + offset, data, n, nullptr) != 0; }

 private:
  HANDLE process_ = nullptr;
  void* at_ = nullptr;
  size_t size_;
};

constexpr size_t kTextRoom = 4096;

std::wstring cell(HWND lv, Remote& mem, int row, int column) {
  LVITEMW item = {};
  item.iSubItem = column;
  item.cchTextMax = int(kTextRoom / sizeof(wchar_t));
  item.pszText = reinterpret_cast<wchar_t*>(mem.at() + sizeof item);
  mem.write(0, &item, sizeof item);
  LRESULT n = SendMessageW(lv, LVM_GETITEMTEXTW, WPARAM(row), LPARAM(mem.at()));
  std::wstring t(size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) mem.read(sizeof item, t.data(), size_t(n) * sizeof(wchar_t));
  return t;
}

void print_utf8(const std::wstring& s) {
  int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), int(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.c_str(), int(s.size()), out.data(), n, nullptr, nullptr);
  fwrite(out.data(), 1, out.size(), stdout);
  fputc('\n', stdout);
}

}  // namespace

int run_list_probe(const std::wstring& cmd, HWND ctl, int argc, wchar_t** argv) {
  Remote mem(ctl, sizeof(LVITEMW) + kTextRoom);
  if (!mem.ok()) return 1;
  if (cmd == L"lv-rows" && (argc == 4 || argc == 6)) {
    int rows = int(SendMessageW(ctl, LVM_GETITEMCOUNT, 0, 0));
    HWND header = reinterpret_cast<HWND>(SendMessageW(ctl, LVM_GETHEADER, 0, 0));
    int columns = header ? int(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    printf("%d %d\n", rows, columns);
    // Each cell is a round trip to the other process: tests ask for the rows they look at.
    int first = argc == 6 ? _wtoi(argv[4]) : 0, last = argc == 6 ? _wtoi(argv[5]) : rows - 1;
    for (int r = first < 0 ? 0 : first; r <= last && r < rows; ++r) {
      UINT state = UINT(SendMessageW(ctl, LVM_GETITEMSTATE, WPARAM(r), LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK));
      std::wstring line;
      if (state & LVIS_SELECTED) line += L"*";
      if ((state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2)) line += L"+";
      if (state & LVIS_FOCUSED) line += L">";
      if (line.empty()) line = L"-";
      for (int c = 0; c < (columns > 0 ? columns : 1); ++c) line += L"\t" + cell(ctl, mem, r, c);
      print_utf8(line);
    }
    return 0;
  }
  if (cmd == L"lv-point" && argc == 5) {
    int row = _wtoi(argv[4]);
    RECT r = {};
    if (row < 0) {
      HWND header = reinterpret_cast<HWND>(SendMessageW(ctl, LVM_GETHEADER, 0, 0));
      if (!header || !GetWindowRect(header, &r)) return 1;
      printf("%ld %ld\n", r.left + 10, (r.top + r.bottom) / 2);
      return 0;
    }
    r.left = LVIR_LABEL;
    mem.write(0, &r, sizeof r);
    if (!SendMessageW(ctl, LVM_GETITEMRECT, WPARAM(row), LPARAM(mem.at()))) return 1;
    mem.read(0, &r, sizeof r);
    POINT p = {r.left + 10, (r.top + r.bottom) / 2};
    ClientToScreen(ctl, &p);
    printf("%ld %ld\n", p.x, p.y);
    return 0;
  }
  if (cmd == L"sb-parts" && argc == 4) {
    int parts = int(SendMessageW(ctl, SB_GETPARTS, 0, 0));
    std::wstring line;
    for (int p = 0; p < parts; ++p) {
      LRESULT n = LOWORD(SendMessageW(ctl, SB_GETTEXTW, WPARAM(p), LPARAM(mem.at())));
      std::wstring t(size_t(n), L'\0');
      if (n > 0) mem.read(0, t.data(), size_t(n) * sizeof(wchar_t));
      line += (p ? L"\t" : L"") + t;
    }
    print_utf8(line);
    return 0;
  }
  return 2;
}
