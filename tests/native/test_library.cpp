// orv-native-test.dll: functions with known answers for the Windows-side
// tests of native calls. Each one makes a wrong register, a lost stack slot,
// a truncated float or a missed write-back show in its result.
#include <windows.h>

#include <cstdint>

#define EXPORT extern "C" __declspec(dllexport)

// Twelve integers, each weighted by its position, so that any slot read
// from the wrong place changes the sum.
EXPORT int64_t orvt_sum12(int64_t a1, int64_t a2, int64_t a3, int64_t a4, int64_t a5, int64_t a6, int64_t a7,
                          int64_t a8, int64_t a9, int64_t a10, int64_t a11, int64_t a12) {
  return a1 * 1 + a2 * 2 + a3 * 3 + a4 * 4 + a5 * 5 + a6 * 6 + a7 * 7 + a8 * 8 + a9 * 9 + a10 * 10 + a11 * 11 +
         a12 * 12;
}

// Floats and doubles in register and stack positions, between integers.
EXPORT double orvt_mixed(float f1, int i2, double d3, float f4, int64_t i5, float f6, double d7, int i8) {
  return f1 * 1 + i2 * 10 + d3 * 100 + f4 * 1000 + double(i5) * 10000 + f6 * 100000 + d7 * 1000000 + i8 * 10000000.0;
}

// Gives back the whole register it was given, for round trips of each type.
EXPORT uint64_t orvt_same(uint64_t x) { return x; }
EXPORT float orvt_half(float x) { return x / 2; }
EXPORT double orvt_twice(double x) { return x * 2; }
EXPORT uint32_t orvt_all_bits() { return 0xFFFFFFFFu; }
EXPORT int8_t orvt_minus_one_char() { return -1; }

// By-address outputs of every width.
EXPORT void orvt_outputs(int32_t* i, int64_t* l, double* d, float* f, uint8_t* c, int16_t* s) {
  *i = -2;
  *l = (int64_t(1) << 40) + 1;
  *d = 2.5;
  *f = 0.25f;
  *c = 255;
  *s = -3;
}

// Adds one to what it is given by address and returns the old value.
EXPORT int64_t orvt_bump(int64_t* p) { return (*p)++; }

EXPORT const wchar_t* orvt_null_text() { return nullptr; }
EXPORT int32_t* orvt_null_int() { return nullptr; }
static int32_t g_value = 1234;
EXPORT int32_t* orvt_int_address() { return &g_value; }
static const wchar_t g_text[] = L"from the library";
EXPORT const wchar_t* orvt_text() { return g_text; }
EXPORT const char* orvt_ansi_text() { return "ansi text"; }

// Writes `count` characters into a buffer the caller sized: an ANSI buffer
// must be as large as the variable's capacity.
EXPORT void orvt_fill_ansi(char* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = char('a' + i % 26);
  out[count] = 0;
}
EXPORT void orvt_upper(wchar_t* text) {
  for (; *text; ++text)
    if (*text >= L'a' && *text <= L'z') *text = wchar_t(*text - 32);
}

// Faults on purpose: a write through the address it is given.
EXPORT int orvt_fault(int* p) {
  *p = 1;
  return 0;
}
EXPORT int orvt_raise(DWORD code) {
  RaiseException(code, 0, 0, nullptr);
  return 0;
}

// Calls back with (a, b) and returns the answer plus one.
EXPORT int64_t orvt_call_back(int64_t (*callback)(int64_t, int64_t), int64_t a, int64_t b) {
  return callback(a, b) + 1;
}

namespace {

struct Holder {
  CRITICAL_SECTION* section;
  volatile LONG* flag;
  int64_t (*callback)(int64_t);
  HANDLE held;
};

DWORD WINAPI hold_section(void* p) {
  Holder h = *static_cast<Holder*>(p);
  EnterCriticalSection(h.section);
  SetEvent(h.held);
  // A callback from this thread, while the lock is held: the interpreter's
  // thread must answer it while it waits for the lock.
  int64_t answer = h.callback(7);
  InterlockedExchange(h.flag, LONG(answer));
  LeaveCriticalSection(h.section);
  return 0;
}

}  // namespace

// Starts a thread that takes `section`, calls `callback(7)`, stores the
// answer in *flag and lets go; returns once the lock is taken.
EXPORT int orvt_hold_section(CRITICAL_SECTION* section, volatile LONG* flag, int64_t (*callback)(int64_t)) {
  Holder h{section, flag, callback, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HANDLE thread = CreateThread(nullptr, 0, hold_section, &h, 0, nullptr);
  if (!thread) return 0;
  WaitForSingleObject(h.held, INFINITE);
  CloseHandle(h.held);
  CloseHandle(thread);
  return 1;
}

// For the benchmark: a callback called `n` times from native code, and the
// rate of plain native calls through a pointer, the physical limit.
EXPORT int64_t orvt_call_back_times(int64_t (*callback)(int64_t, int64_t), int64_t n) {
  int64_t sum = 0;
  for (int64_t i = 0; i < n; ++i) sum += callback(i, 0);
  return sum;
}
EXPORT int64_t orvt_nothing() { return 0; }
EXPORT double orvt_direct_calls_per_second(int64_t n) {
  int64_t (*volatile target)() = orvt_nothing;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (int64_t i = 0; i < n; ++i) target();
  QueryPerformanceCounter(&end);
  double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
  return seconds > 0 ? double(n) / seconds : 0;
}

// A structure with a nested one, a string pointer and an array, filled and
// read back, for the tests of structures handed to native code.
struct OrvtInner {
  int16_t a;
  double b;
};
struct OrvtRecord {
  uint8_t tag;
  OrvtInner inner;
  const wchar_t* name;
  int32_t values[3];
};
EXPORT void orvt_fill_record(OrvtRecord* r) {
  static const wchar_t filled[] = L"filled";
  r->tag = 7;
  r->inner.a = -2;
  r->inner.b = 2.5;
  r->name = filled;
  r->values[0] = 10, r->values[1] = 20, r->values[2] = 30;
}
// Each field in its own decimal places, so that a field read from the wrong
// offset shows in the answer.
EXPORT int64_t orvt_read_record(const OrvtRecord* r) {
  return r->tag + r->inner.a * 100 + int64_t(r->inner.b * 4) * 10000 +
         int64_t(r->values[0] + r->values[1] + r->values[2]) * 1000000 + int64_t(lstrlenW(r->name)) * 1000000000;
}
