// Fuzz target: loading and running a script. Every input is a script that
// the program loads and runs to its end, which the host makes sure comes:
// the run is confined (files only inside a scratch folder, no raw memory,
// a virtual clock), it may run so many lines and use so much memory, and
// when it waits for something that can never come it is closed.
//
// There is one program per process, and a run ends by ending the process,
// so each input runs in a child process forked for it. The child's
// coverage counters are copied back to the parent before it ends, which is
// all libFuzzer needs to see what the input reached. A child that ends in
// any other way than through the program's exit (a sanitizer report, a
// signal, a leak found at its end) fails the input here.
//
// ORV_FUZZ_VERBOSE=1 lets the script's output and message boxes through, for
// looking at one input by hand. ORV_FUZZ_LEAKS=1 checks each run for leaks
// as its process ends; that check costs several times the run itself, so
// tools/fuzz.sh makes it a pass of its own over what fuzzing found.
#include <sanitizer/allocator_interface.h>
#include <sanitizer/lsan_interface.h>
#include <dirent.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "events/message_pump.h"
#include "platform/posix/headless.h"
#include "startup/startup.h"

// The linker's bounds of the inline coverage counters. This unit is built
// without coverage of its own (see CMakeLists.txt): the coverage pass
// declares these very names in every unit it instruments, and would rename
// its own next to these, leaving that unit's counters unregistered.
extern "C" uint8_t __start___sancov_cntrs __attribute__((weak, visibility("hidden")));
extern "C" uint8_t __stop___sancov_cntrs __attribute__((weak, visibility("hidden")));
namespace {

uint8_t* const g_counters_begin = &__start___sancov_cntrs;
uint8_t* const g_counters_end = &__stop___sancov_cntrs;

// Enough for every test script to finish; a script that loops stops here.
constexpr int64_t kLineLimit = 20000;
// Virtual time a run may spend waiting (Sleep, timers, a resident script).
constexpr uint64_t kWaitingLimitMs = 10 * 60 * 1000;
// Live heap a run may hold; past it the run ends as spent.
constexpr size_t kMemoryLimit = size_t(1) << 30;

// How a child tells the parent how it ended (its exit status).
enum ChildStatus : int { kEnded = 0, kLeaked = 70, kNoThread = 71 };

std::string g_folder;
uint8_t* g_shared_counters = nullptr;
size_t g_counter_bytes = 0;
bool g_verbose = false;
bool g_check_leaks = false;

bool g_in_child = false;
// Signed: the child also frees memory the parent took before the fork.
std::atomic<int64_t> g_live_bytes{0};

std::vector<uint8_t> g_input;

[[noreturn]] void end_child(int status) {
  if (g_counter_bytes) std::memcpy(g_shared_counters, g_counters_begin, g_counter_bytes);
  _exit(status);
}

// The program's exit: the script ran to its end, however it ended.
void on_program_exit(int) {
  if (g_check_leaks && __lsan_do_recoverable_leak_check()) end_child(kLeaked);
  end_child(kEnded);
}

void on_malloc(const volatile void*, size_t size) {
  if (!g_in_child) return;
  if (g_live_bytes.fetch_add(int64_t(size)) + int64_t(size) > int64_t(kMemoryLimit)) end_child(kEnded);
}

void on_free(const volatile void* p) {
  if (!g_in_child || !p) return;
  g_live_bytes.fetch_sub(int64_t(__sanitizer_get_allocated_size(p)));
}

void* run_script(void*) {
  on_program_exit(orv::run_program({}));
  return nullptr;
}

[[noreturn]] void child() {
  g_in_child = true;
  g_live_bytes = 0;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (chdir(g_folder.c_str()) != 0) _exit(kNoThread);
  orv::platform::set_script_path(orv::utf8_to_utf16(g_folder + "/fuzz.orv"));
  orv::platform::set_script_source(std::move(g_input));
  orv::platform::discard_output(!g_verbose);
  orv::platform::confine(kWaitingLimitMs);
  orv::platform::set_exit_hook(on_program_exit);
  orv::set_line_limit(kLineLimit);
  // The stack the hosts give the script's thread.
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, size_t(64) << 20);
  pthread_t thread;
  if (pthread_create(&thread, &attr, run_script, nullptr) != 0) _exit(kNoThread);
  pthread_join(thread, nullptr);
  _exit(kNoThread);
}

void empty_folder() {
  DIR* d = opendir(g_folder.c_str());
  if (!d) return;
  while (dirent* e = readdir(d))
    if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) unlink((g_folder + "/" + e->d_name).c_str());
  closedir(d);
}

void remove_folder() {
  empty_folder();
  rmdir(g_folder.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // A process that forks must have no other thread, or the child may find
  // the allocator locked by a thread it does not have. libFuzzer's only
  // other thread watches its memory; the harness bounds each run's memory
  // itself, so that watch is switched off (flags given last win).
  static std::vector<char*> args;
  static char no_rss_limit[] = "-rss_limit_mb=0";
  static char no_malloc_limit[] = "-malloc_limit_mb=0";
  args.assign(*argv, *argv + *argc);
  args.push_back(no_rss_limit);
  args.push_back(no_malloc_limit);
  args.push_back(nullptr);
  *argc = int(args.size() - 1);
  *argv = args.data();

  const char* verbose = getenv("ORV_FUZZ_VERBOSE");
  g_verbose = verbose && *verbose && *verbose != '0';
  const char* leaks = getenv("ORV_FUZZ_LEAKS");
  g_check_leaks = leaks && *leaks && *leaks != '0';
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/orv-fuzz-scratch.XXXXXX";
  if (!mkdtemp(pattern.data())) {
    perror("run_fuzz: mkdtemp");
    exit(1);
  }
  g_folder = pattern;
  atexit(remove_folder);
  if (g_counters_begin && g_counters_end > g_counters_begin) {
    g_counter_bytes = size_t(g_counters_end - g_counters_begin);
    void* shared = mmap(nullptr, g_counter_bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
      perror("run_fuzz: mmap");
      exit(1);
    }
    g_shared_counters = static_cast<uint8_t*>(shared);
  }
  __sanitizer_install_malloc_and_free_hooks(on_malloc, on_free);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_input.assign(data, data + size);
  if (g_counter_bytes) std::memset(g_shared_counters, 0, g_counter_bytes);
  pid_t pid = fork();
  if (pid < 0) {
    perror("run_fuzz: fork");
    abort();
  }
  if (pid == 0) child();
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  empty_folder();
  if (WIFEXITED(status) && WEXITSTATUS(status) == kEnded) {
    if (g_counter_bytes) std::memcpy(g_counters_begin, g_shared_counters, g_counter_bytes);
    return 0;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == kLeaked)
    fprintf(stderr, "run_fuzz: the run leaked memory (report above)\n");
  else if (WIFEXITED(status))
    fprintf(stderr, "run_fuzz: the run ended with exit status %d instead of through the program's exit\n",
            WEXITSTATUS(status));
  else if (WIFSIGNALED(status))
    fprintf(stderr, "run_fuzz: the run was killed by signal %d\n", WTERMSIG(status));
  // libFuzzer ends the process without running exit handlers.
  remove_folder();
  abort();
}
