// orv-host-probe: a host of the library build, as any program that loads a
// DLL would be. It loads Orvanta.dll by name, starts a script from text,
// and drives it through the exports from its own threads, printing one
// line per case:
//   LABEL: WHAT HAPPENED
// tests/wine/host.sh holds the lines expected.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using TextCall = wchar_t* (*)(const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*,
                              const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*,
                              const wchar_t*);
using PostCall = int (*)(const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*,
                         const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*);

struct Api {
  TextCall function;
  PostCall post_function;
  int (*assign)(const wchar_t*, const wchar_t*);
  wchar_t* (*get_var)(const wchar_t*, int);
  int (*label)(const wchar_t*, int);
  void* (*execute_line)(void*, int, int);
  void* (*find_func)(const wchar_t*);
  void* (*find_label)(const wchar_t*);
  int (*pause)(const wchar_t*);
  int (*is_unicode)();
  int (*start_script)(const wchar_t*);
  int (*ready)();
  int (*end_script)(DWORD);
} api;

HMODULE g_library = nullptr;

template <typename F>
void bind(F& f, const char* name) {
  f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(g_library, name)));
  if (!f) {
    std::printf("missing export %s\n", name);
    std::exit(3);
  }
}

std::string narrow(const wchar_t* s) {
  if (!s) return "null";
  std::string out;
  for (; *s; ++s) out += *s < 128 ? char(*s) : '?';
  return "'" + out + "'";
}

const wchar_t* const N = nullptr;
std::string call(const wchar_t* name, const wchar_t* a = N, const wchar_t* b = N, const wchar_t* c = N) {
  return narrow(api.function(name, a, b, c, N, N, N, N, N, N, N));
}
int post(const wchar_t* name, const wchar_t* a = N, const wchar_t* b = N) {
  return api.post_function(name, a, b, N, N, N, N, N, N, N, N);
}
std::string var(const wchar_t* name) { return narrow(api.get_var(name, 0)); }
const char* found(void* p) { return p ? "found" : "null"; }

// Waits until the variable reads `want`; false after 10 s.
bool wait_var(const wchar_t* name, const std::string& want) {
  for (int i = 0; i < 1000; ++i) {
    if (var(name) == want) return true;
    Sleep(10);
  }
  return false;
}

void not_ready_line(const char* label) {
  std::printf(
      "%s: function=%s post=%d assign=%d getvar=%s label=%d executeline=%s findfunc=%s findlabel=%s "
      "pause=%d isunicode=%d\n",
      label, narrow(api.function(L"Add", L"1", L"2", N, N, N, N, N, N, N, N)).c_str(), post(L"Add", L"1", L"2"),
      api.assign(L"x", L"1"), narrow(api.get_var(L"x", 0)).c_str(), api.label(L"LabelRun", 0),
      found(api.execute_line(nullptr, 0, 0)), found(api.find_func(L"Add")), found(api.find_label(L"LabelRun")),
      api.pause(L"On"), api.is_unicode());
}

// Every letter-case spelling of an operation is the same entry point.
void check_aliases() {
  struct Op {
    const char* words[2];
  };
  const Op ops[] = {{{"Function", nullptr}}, {{"Post", "Function"}}, {{"Assign", nullptr}}, {{"Get", "Var"}},
                    {{"Label", nullptr}},    {{"Execute", "Line"}},  {{"Find", "Func"}},    {{"Find", "Label"}},
                    {{"Pause", nullptr}},    {{"Is", "Unicode"}}};
  auto cased = [](std::string w, bool upper, bool cap) {
    for (size_t i = 0; i < w.size(); ++i) w[i] = char(upper || (cap && i == 0) ? toupper(w[i]) : tolower(w[i]));
    return w;
  };
  int names = 0, entries = 0, mismatched = 0;
  for (const Op& op : ops) {
    std::vector<std::string> spellings;
    std::string whole = std::string(op.words[0]) + (op.words[1] ? op.words[1] : "");
    spellings.push_back("ORV" + cased(whole, true, false));
    for (const char* prefix : {"Orv", "orv"})
      for (bool cap1 : {true, false}) {
        if (!op.words[1]) {
          spellings.push_back(prefix + cased(op.words[0], false, cap1));
          continue;
        }
        for (bool cap2 : {true, false})
          spellings.push_back(prefix + cased(op.words[0], false, cap1) + cased(op.words[1], false, cap2));
      }
    FARPROC first = GetProcAddress(g_library, spellings[0].c_str());
    ++entries;
    for (const std::string& s : spellings) {
      FARPROC p = GetProcAddress(g_library, s.c_str());
      ++names;
      if (!p || p != first) {
        ++mismatched;
        std::printf("alias %s: %s\n", s.c_str(), p ? "another entry point" : "missing");
      }
    }
  }
  std::printf("aliases: %d names, %d entry points, %d wrong\n", names, entries, mismatched);
}

// The box an error report shows, found from another thread of this
// process and closed: its text, or "none" after 10 s.
std::string close_error_box() {
  for (int i = 0; i < 1000; ++i) {
    HWND box = FindWindowW(L"#32770", nullptr);
    if (box && IsWindowVisible(box)) {
      wchar_t text[1024] = {};
      GetDlgItemTextW(box, 0xFFFF, text, 1024);
      PostMessageW(box, WM_CLOSE, 0, 0);
      return narrow(text);
    }
    Sleep(10);
  }
  return "none";
}

const wchar_t kScript[] =
    LR"(#NoTrayIcon
#Persistent
#MaxThreads 5
walked += 1
counter := 0
SetTimer, Churn, 10
return

Add(a, b) {
  return a + b
}
Join(p*) {
  s := ""
  for i, v in p
    s .= v "|"
  return s
}
Two(a, b) {
  return a b
}
Slow() {
  global slowRunning
  slowRunning += 1
  Sleep 1500
  slowRunning -= 1
}
Bump() {
  global counter
  counter += 1
  return counter
}
Churn:
  junk := []
  Loop 20
    junk.Push("item " A_Index)
  ticks += 1
return
LabelRun:
  labelRuns += 1
return
)";

// Two host threads call, assign and read while the timer allocates; each
// checks every answer it gets, so a buffer another thread overwrote or a
// record handed out twice shows as a wrong answer. Calls waited for nest at
// most one per host thread over the timer's thread, within the script's
// limit of 5; a burst of posted calls could nest deeper and be refused
// there, as it should, so the posts stay few.
void stress() {
  constexpr int kRounds = 150;
  int base = _wtoi(api.get_var(L"counter", 0));
  std::atomic<int> wrong{0};
  auto worker = [&](int id) {
    wchar_t name[32], value[32], tag[32];
    swprintf(name, 32, L"own%d", id);
    swprintf(tag, 32, L"t%d_", id);
    int last = 0;
    for (int i = 0; i < kRounds; ++i) {
      swprintf(value, 32, L"%d", i);
      if (api.assign(name, value) != 0) ++wrong;
      std::wstring got = api.get_var(name, 0);
      if (got != value) ++wrong;
      std::wstring joined = api.function(L"Two", tag, value, N, N, N, N, N, N, N, N);
      if (joined != std::wstring(tag) + value) ++wrong;
      int bumped = _wtoi(api.function(L"Bump", N, N, N, N, N, N, N, N, N, N));
      if (bumped <= last) ++wrong;
      last = bumped;
      if (i % 50 == 0 && post(L"Bump") != 0) ++wrong;
    }
  };
  std::thread a(worker, 1), b(worker, 2);
  a.join();
  b.join();
  // Each round bumped once, every 50th once more by a post.
  bool all = wait_var(L"counter", "'" + std::to_string(base + 2 * kRounds + 2 * (kRounds / 50)) + "'");
  std::printf("stress: wrong answers %d, every bump counted %s\n", wrong.load(), all ? "yes" : var(L"counter").c_str());
}

// make bench: host calls per second of each kind, from one host thread and
// from four, against a script that does nothing else.
int bench() {
  const wchar_t script[] = L"#NoTrayIcon\n#Persistent\nreturn\nAdd(a, b) {\n  return a + b\n}\n";
  api.start_script(script);
  for (int i = 0; i < 1000 && !api.ready(); ++i) Sleep(10);
  constexpr int kCalls = 4000;
  auto rate = [](int threads, auto&& one) {
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
      pool.emplace_back([&, t] {
        for (int i = 0; i < kCalls / threads; ++i) one(t);
      });
    for (auto& th : pool) th.join();
    QueryPerformanceCounter(&t1);
    return double(kCalls) * double(f.QuadPart) / double(t1.QuadPart - t0.QuadPart);
  };
  struct Kind {
    const char* name;
    void (*one)(int);
  };
  const Kind kinds[] = {
      {"Function", [](int) { api.function(L"Add", L"1", L"2", N, N, N, N, N, N, N, N); }},
      {"PostFunction", [](int) { post(L"Add", L"1", L"2"); }},
      {"GetVar", [](int t) { api.get_var(t % 2 ? L"one" : L"two", 0); }},
      {"Assign", [](int t) { api.assign(t % 2 ? L"one" : L"two", L"value"); }},
  };
  for (const Kind& k : kinds) {
    double one = rate(1, k.one), four = rate(4, k.one);
    std::printf("%-13s %9.0f calls/s from 1 thread, %9.0f from 4\n", k.name, one, four);
  }
  api.end_script(10000);
  return 0;
}

void load_api() {
  g_library = LoadLibraryW(L"Orvanta.dll");
  if (!g_library) {
    std::printf("library not loaded: %lu\n", GetLastError());
    std::exit(3);
  }
  bind(api.function, "orvFunction");
  bind(api.post_function, "OrvPostFunction");
  bind(api.assign, "ORVASSIGN");
  bind(api.get_var, "orvgetvar");
  bind(api.label, "OrvLabel");
  bind(api.execute_line, "orvExecuteLine");
  bind(api.find_func, "OrvFindFunc");
  bind(api.find_label, "OrvFindLabel");
  bind(api.pause, "orvPause");
  bind(api.is_unicode, "OrvIsUnicode");
  bind(api.start_script, "OrvStartScript");
  bind(api.ready, "OrvReady");
  bind(api.end_script, "OrvEndScript");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  load_api();
  if (argc > 1 && std::wstring(argv[1]) == L"--bench") return bench();
  check_aliases();

  not_ready_line("before start");
  std::printf("start: %d\n", api.start_script(kScript));
  int waited = 0;
  while (!api.ready() && waited < 1000) Sleep(10), ++waited;
  std::printf("ready: %d\n", api.ready());
  std::printf("second start: %d\n", api.start_script(kScript));

  std::printf("function: %s\n", call(L"Add", L"2", L"3").c_str());
  std::printf("function other case: %s\n", call(L"aDD", L"40", L"2").c_str());
  std::printf("function variadic: %s\n", call(L"Join", L"a", L"b", L"c").c_str());
  std::printf("function unknown: %s\n", call(L"NoSuchFunction").c_str());
  std::printf("post unknown: %d\n", post(L"NoSuchFunction"));
  std::printf("function built-in: %s %s\n", call(L"StrLen", L"hello").c_str(),
              call(L"SubStr", L"abcdef", L"2", L"3").c_str());
  {
    std::string box;
    auto says = [&] {
      bool message = box.find("Too few parameters passed to function.") != std::string::npos;
      bool name = box.find("Specifically: Two") != std::string::npos;
      return message && name ? "reported" : box.c_str();
    };
    std::thread closer([&] { box = close_error_box(); });
    std::string got = call(L"Two", L"only");
    closer.join();
    std::printf("function too few: %s, %s\n", got.c_str(), says());
    std::thread closer2([&] { box = close_error_box(); });
    int refused = post(L"Two", L"only");
    closer2.join();
    std::printf("post too few: %d, %s\n", refused, says());
  }

  std::printf("getvar unknown: %s, now exists %s\n", var(L"NeverSeenBefore").c_str(),
              api.get_var(L"NeverSeenBefore", 1)[0] ? "yes" : "no");
  int stored = api.assign(L"greeting", L"hi there");
  std::printf("assign: %d %s\n", stored, var(L"greeting").c_str());
  stored = api.assign(L"greeting", nullptr);
  std::printf("assign null: %d %s\n", stored, var(L"greeting").c_str());
  std::printf("assign empty name: %d\n", api.assign(L"", L"x"));
  std::printf("getvar built-in: %s, pointer %s\n", var(L"A_PtrSize").c_str(),
              narrow(api.get_var(L"A_PtrSize", 1)).c_str());
  api.function(L"Bump", N, N, N, N, N, N, N, N, N, N);
  std::printf("getvar number: %s\n", var(L"counter").c_str());

  std::printf("findfunc: %s %s %s\n", found(api.find_func(L"add")), found(api.find_func(L"StrLen")),
              found(api.find_func(L"Nope")));
  std::printf("findlabel: %s %s %s\n", found(api.find_label(L"labelrun")), found(api.find_label(L"Nope")),
              found(api.find_label(L"")));

  int sent = api.label(L"LabelRun", 0);
  std::printf("label sent: %d %s\n", sent, var(L"labelRuns").c_str());
  int queued = api.label(L"labelrun", 1);
  std::printf("label posted: %d %s\n", queued, wait_var(L"labelRuns", "'2'") ? "ran" : "did not run");
  std::printf("label unknown: %d %d\n", api.label(L"Nope", 0), api.label(L"", 0));

  int posted = post(L"Bump");
  std::printf("post: %d %s\n", posted, wait_var(L"counter", "'2'") ? "ran" : var(L"counter").c_str());

  // At the thread limit a call is refused: its answer is empty, not the
  // answer of the call before it.
  std::printf("before the limit: %s\n", call(L"Add", L"2", L"3").c_str());
  for (int i = 0; i < 5; ++i) post(L"Slow");
  bool all_running = wait_var(L"slowRunning", "'5'");
  std::printf("at the limit: %s, %s\n", all_running ? "5 threads" : var(L"slowRunning").c_str(),
              call(L"Add", L"1", L"1").c_str());
  std::printf("after the limit: %s\n",
              wait_var(L"slowRunning", "'0'") ? call(L"Add", L"1", L"1").c_str() : "still busy");

  // The first line is "walked += 1": run it once more, then walk to the end.
  void* first = api.execute_line(nullptr, 0, 0);
  api.execute_line(first, 3, 1);
  std::printf("executeline run: %s\n", var(L"walked").c_str());
  int steps = 0;
  for (void* line = first; line && steps < 1000; line = api.execute_line(line, 0, 0)) ++steps;
  std::printf("executeline walk: %d lines\n", steps);

  int on1 = api.pause(L"On");
  int on2 = api.pause(reinterpret_cast<const wchar_t*>(1));
  int asked = api.pause(L"");
  int off = api.pause(L"off");
  int after = api.pause(L"");
  std::string ticks = var(L"ticks");
  bool running = false;
  for (int i = 0; i < 500 && !running; ++i, Sleep(10)) running = var(L"ticks") != ticks;
  std::printf("pause: on %d, again %d, asked %d, off %d, asked %d, timer runs %s\n", on1, on2, asked, off, after,
              running ? "yes" : "no");

  stress();

  std::printf("end: %d\n", api.end_script(10000));
  not_ready_line("after end");

  return 0;
}
