// The loop family: count and infinite loops, While, parsing loops (with
// delimiters or CSV), file-reading loops and For. Every loop saves the
// thread's loop state before it starts and restores it on every way out, so
// nested loops each see their own A_Index and field.
#include <cstring>

#include "base/messages.h"
#include "platform/platform.h"
#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/line_history.h"
#include "runtime/numbers.h"
#include "runtime/object.h"
#include "runtime/scope.h"
#include "runtime/text_stream.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

// What a file loop returns and whether it descends into subfolders.
struct FileLoopMode {
  bool files = true;
  bool folders = false;
  bool recurse = false;
};

struct RegistryLoopMode {
  bool values = true;
  bool keys = false;
  bool recurse = false;
};

namespace {

// The loop state of the thread, saved around a loop.
struct SavedLoopState {
  int64_t index;
  String field;
  String read_line;
  const LoopFileItem* file;
  const LoopRegItem* reg;
  ReadLoopOutput* output;
  explicit SavedLoopState(const ThreadSettings& t)
      : index(t.loop_index),
        field(t.loop_field),
        read_line(t.loop_read_line),
        file(t.loop_file),
        reg(t.loop_reg),
        output(t.loop_output) {}
  void restore(ThreadSettings& t) {
    t.loop_index = index;
    t.loop_field = std::move(field);
    t.loop_read_line = std::move(read_line);
    t.loop_file = file;
    t.loop_reg = reg;
    t.loop_output = output;
  }
};

bool is_registry_root_name(StringView key) {
  static constexpr StringView kRoots[] = {u"HKEY_LOCAL_MACHINE", u"HKLM", u"HKEY_USERS", u"HKU", u"HKEY_CURRENT_USER", u"HKCU",
                                          u"HKEY_CLASSES_ROOT", u"HKCR", u"HKEY_CURRENT_CONFIG", u"HKCC"};
  StringView root = key.substr(0, key.find(u'\\'));
  for (StringView r : kRoots)
    if (equals_ignore_case(root, r)) return true;
  return false;
}

bool contains_char(StringView set, char16_t c) { return set.find(c) != StringView::npos; }

StringView trim_chars(StringView s, StringView omit) {
  while (!s.empty() && contains_char(omit, s.front())) s.remove_prefix(1);
  while (!s.empty() && contains_char(omit, s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

// One pass through the body, and the Until test after it. `stop` ends the
// loop; a result other than OK ends it too and goes to the caller.
Result Engine::loop_iteration(ScriptLine* loop, ScriptLine*& jump, bool& stop) {
  Result r = run_body(loop->next, jump);
  if (jump) {
    // A labelled Continue naming this loop goes on with the next round.
    if (r == ResultLoopContinue && jump == loop) {
      jump = nullptr;
    } else {
      // Any other jump (a Goto, or a labelled Break or Continue naming an
      // outer loop) leaves this loop with its result intact.
      stop = true;
      return r;
    }
  } else if (r == ResultLoopBreak) {
    stop = true;
    return ResultDone;
  } else if (r != ResultDone && r != ResultLoopContinue) {
    stop = true;
    return r;
  }
  ScriptLine* until = loop->related;
  if (until && until->action == CmdUntil && loop->action != CmdWhile) {
    g_thread->current_line = until;
    record_line(until);
    bool truth = false;
    if (Result r = condition_of(*until, 0, truth); r != ResultDone) {
      stop = true;
      return r;
    }
    if (truth) stop = true;
  }
  ++g_thread->loop_index;
  return ResultDone;
}

Result Engine::run_loop(ScriptLine* line, ScriptLine*& jump) {
  ThreadSettings& t = *g_thread;
  SavedLoopState saved(t);
  t.loop_index = 1;
  Result r;
  LoopKind kind = line->loop_kind();
  if (line->action == CmdWhile) {
    r = loop_while(line, jump);
  } else if (line->action == CmdFor) {
    r = loop_for(line, jump);
  } else {
    if (kind == LoopKind::Unknown || kind == LoopKind::Count) {
      // The count (or, for a parameter built at run time, the kind) is
      // decided now.
      if (Result expanded = args().expand(*line); expanded != ResultDone) {
        saved.restore(t);
        return expanded;
      }
      StringView first = trim(args().count > 0 ? args().text[0] : StringView());
      if (line->arg_count == 0 || first.empty()) {
        kind = LoopKind::Count;
        r = loop_count(line, -1, jump);
        saved.restore(t);
        return r;
      }
      NumType type = numeric_type_of(first);
      if (type != NumType::NotNumeric) {
        int64_t count = type == NumType::Float ? double_to_int(text_to_double(first)) : text_to_int(first);
        // A negative count runs no rounds; only a blank one has no limit.
        r = loop_count(line, count < 0 ? 0 : count, jump);
        saved.restore(t);
        return r;
      }
      kind = equals_ignore_case(first, u"Read") ? LoopKind::Read
             : equals_ignore_case(first, u"Parse") ? LoopKind::Parse
             : equals_ignore_case(first, u"Files") ? LoopKind::Files
             : equals_ignore_case(first, u"Reg") ? LoopKind::Reg
             : is_registry_root_name(first) ? LoopKind::Registry
                                            : LoopKind::FilePattern;
    }
    switch (kind) {
      case LoopKind::Parse: r = loop_parse(line, jump); break;
      case LoopKind::Read: r = loop_read(line, jump); break;
      case LoopKind::Files:
      case LoopKind::FilePattern: r = loop_files(line, kind == LoopKind::Files, jump); break;
      default: r = loop_registry(line, kind == LoopKind::Reg, jump); break;
    }
  }
  saved.restore(t);
  return r;
}

Result Engine::loop_count(ScriptLine* loop, int64_t count, ScriptLine*& jump) {
  bool stop = false;
  while (!stop && (count < 0 || g_thread->loop_index <= count)) {
    Result r = loop_iteration(loop, jump, stop);
    if (r != ResultDone) return r;
  }
  return ResultDone;
}

Result Engine::loop_while(ScriptLine* loop, ScriptLine*& jump) {
  bool stop = false;
  while (!stop) {
    g_thread->current_line = loop;
    record_line(loop);
    bool truth = false;
    if (Result r = condition_of(*loop, 0, truth); r != ResultDone) return r;
    if (!truth) break;
    Result r = loop_iteration(loop, jump, stop);
    if (r != ResultDone) return r;
  }
  return ResultDone;
}

Result Engine::loop_parse(ScriptLine* loop, ScriptLine*& jump) {
  if (Result r = args().expand(*loop); r != ResultDone) return r;
  // The second parameter names the input variable, unless it is an
  // expression; either way the text is copied, so that changing the
  // variable inside the loop does not change the fields.
  String input;
  if (loop->arg_count > 1 && loop->args[1].is_expression) {
    input = String(args().text[1]);
  } else if (args().count > 1 && !args().text[1].empty()) {
    Variable* v = find_variable(program_, trim(args().text[1]));
    if (v) {
      char16_t buf[256];
      ExprToken t{};
      t.symbol = SymVar;
      t.var = v;
      input = String(token_to_text(t, buf));
    }
  }
  String delimiters(args().count > 2 ? args().text[2].substr(0, 511) : StringView());
  String omit(args().count > 3 ? args().text[3].substr(0, 511) : StringView());
  if (input.empty()) return ResultDone;
  bool csv = equals_ignore_case(delimiters, u"CSV");
  bool stop = false;
  size_t pos = 0;
  StringView in(input);
  while (!stop && pos <= in.size()) {
    String field;
    if (csv) {
      if (pos < in.size() && in[pos] == u'"') {
        // A quoted field runs to the next quote that is not doubled.
        size_t i = pos + 1;
        for (; i < in.size(); ++i) {
          if (in[i] == u'"') {
            if (i + 1 < in.size() && in[i + 1] == u'"') {
              field.push_back(u'"');
              ++i;
              continue;
            }
            break;
          }
          field.push_back(in[i]);
        }
        size_t comma = in.find(u',', i);
        pos = comma == StringView::npos ? in.size() + 1 : comma + 1;
      } else {
        size_t comma = in.find(u',', pos);
        size_t end = comma == StringView::npos ? in.size() : comma;
        field = String(in.substr(pos, end - pos));
        pos = end + 1;
      }
      field = String(trim_chars(field, omit));
    } else if (delimiters.empty()) {
      // Each character is a field; omitted characters are skipped.
      if (pos >= in.size()) break;
      char16_t c = in[pos++];
      if (contains_char(omit, c)) continue;
      field.assign(1, c);
    } else {
      size_t end = pos;
      while (end < in.size() && !contains_char(delimiters, in[end])) ++end;
      field = String(trim_chars(in.substr(pos, end - pos), omit));
      pos = end + 1;
    }
    g_thread->loop_field = std::move(field);
    Result r = loop_iteration(loop, jump, stop);
    if (r != ResultDone) return r;
  }
  return ResultDone;
}

Result Engine::loop_read(ScriptLine* loop, ScriptLine*& jump) {
  if (Result r = args().expand(*loop); r != ResultDone) return r;
  // Line by line, so that a file of any size reads in the memory of a line;
  // a lone CR ends a line as CR LF and LF do.
  TextFile in;
  // A file that cannot be opened gives no rounds.
  if (!in.open_for_lines(arg_text(args(), 1), g_thread->file_encoding)) return ResultDone;
  // The output file is opened by the first FileAppend that writes to it.
  ReadLoopOutput output;
  output.name = String(arg_text(args(), 2).substr(0, 259));
  g_thread->loop_output = &output;
  bool stop = false;
  Result r = ResultDone;
  while (!stop && r == ResultDone && in.read_line(g_thread->loop_read_line)) r = loop_iteration(loop, jump, stop);
  if (output.file.is_open() && !output.file.close()) g_thread->last_error = platform::last_error();
  return r;
}

Result Engine::loop_files(ScriptLine* loop, bool new_form, ScriptLine*& jump) {
  if (Result r = args().expand(*loop); r != ResultDone) return r;
  // Loop, Files, Pattern, Mode  or the older  Loop, Pattern, IncludeFolders, Recurse
  int at = new_form ? 1 : 0;
  StringView pattern = at < args().count ? args().text[at] : StringView();
  FileLoopMode mode;
  if (new_form) {
    StringView letters = args().count > 2 ? args().text[2] : StringView();
    bool f = false, d = false;
    for (char16_t c : letters) {
      char16_t u = upper_case(c);
      if (u == u'F') f = true;
      else if (u == u'D') d = true;
      else if (u == u'R') mode.recurse = true;
      else if (!is_blank(c)) return report_runtime_error(message(Msg::ParamInvalid3), letters);
    }
    mode.files = f || !d;
    mode.folders = d;
  } else {
    StringView folders = args().count > 1 ? trim(args().text[1]) : StringView();
    if (folders == u"1") mode.folders = true;
    else if (folders == u"2") mode.folders = true, mode.files = false;
    else if (!folders.empty() && folders != u"0") return report_runtime_error(message(Msg::ParamInvalid2), folders);
    mode.recurse = args().count > 2 && trim(args().text[2]) == u"1";
  }
  if (pattern.size() > 259) return ResultDone;
  size_t sep = pattern.find_last_of(u"\\/");
  String prefix(sep == StringView::npos ? StringView() : pattern.substr(0, sep + 1));
  String name_pattern(sep == StringView::npos ? pattern : pattern.substr(sep + 1));
  bool stop = false;
  return file_loop_directory(loop, prefix, name_pattern, mode, jump, stop);
}

// One directory: its matching entries first, then (recursing) every
// subfolder with the same name pattern, depth first.
Result Engine::file_loop_directory(ScriptLine* loop, const String& prefix, const String& name_pattern,
                                   const FileLoopMode& mode, ScriptLine*& jump, bool& stop) {
  std::vector<platform::DirEntry> entries;
  StringView dir = prefix;
  if (!dir.empty() && (dir.back() == u'\\' || dir.back() == u'/') && dir.size() > 1) dir.remove_suffix(1);
  platform::list_directory(dir, name_pattern, entries);
  LoopFileItem item;
  item.prefix = prefix;
  for (platform::DirEntry& e : entries) {
    if (stop) return ResultDone;
    if (e.is_directory ? !mode.folders : !mode.files) continue;
    if (prefix.size() + e.name.size() >= 260) continue;
    item.name = std::move(e.name);
    item.is_directory = e.is_directory;
    item.attributes = e.attributes;
    item.size = e.size;
    item.created = e.created;
    item.modified = e.modified;
    item.accessed = e.accessed;
    g_thread->loop_file = &item;
    Result r = loop_iteration(loop, jump, stop);
    g_thread->loop_file = nullptr;
    if (r != ResultDone) return r;
  }
  if (!mode.recurse || stop || prefix.size() > 256) return ResultDone;
  std::vector<platform::DirEntry> subdirs;
  platform::list_directory(dir, u"*.*", subdirs);
  for (platform::DirEntry& e : subdirs) {
    if (!e.is_directory || stop) continue;
    String sub = prefix + e.name + platform::kPathSeparator;
    Result r = file_loop_directory(loop, sub, name_pattern, mode, jump, stop);
    if (r != ResultDone) return r;
  }
  return ResultDone;
}

Result Engine::loop_registry(ScriptLine* loop, bool new_form, ScriptLine*& jump) {
  if (Result r = args().expand(*loop); r != ResultDone) return r;
  LoopRegItem item;
  RegistryLoopMode mode;
  if (new_form) {
    // Loop, Reg, Root\Sub, Mode
    StringView key = args().count > 1 ? trim(args().text[1]) : StringView();
    size_t slash = key.find(u'\\');
    item.root = String(key.substr(0, slash));
    item.subkey = slash == StringView::npos ? String() : String(key.substr(slash + 1));
    StringView letters = args().count > 2 ? args().text[2] : StringView();
    bool v = false, k = false;
    for (char16_t c : letters) {
      char16_t u = upper_case(c);
      if (u == u'V') v = true;
      else if (u == u'K') k = true;
      else if (u == u'R') mode.recurse = true;
      else if (!is_blank(c)) return report_runtime_error(message(Msg::ParamInvalid3), letters);
    }
    mode.values = v || !k;
    mode.keys = k;
  } else {
    // Loop, Root, Key, IncludeSubkeys, Recurse
    item.root = String(trim(args().text[0]));
    item.subkey = args().count > 1 ? String(trim(args().text[1])) : String();
    StringView include = args().count > 2 ? trim(args().text[2]) : StringView();
    if (include == u"1") mode.keys = true;
    else if (include == u"2") mode.keys = true, mode.values = false;
    mode.recurse = args().count > 3 && trim(args().text[3]) == u"1";
  }
  bool stop = false;
  return registry_level(loop, item.root, item.subkey, mode, jump, stop);
}

Result Engine::registry_level(ScriptLine* loop, const String& root, const String& subkey, const RegistryLoopMode& mode,
                              ScriptLine*& jump, bool& stop) {
  std::vector<platform::RegEntry> entries;
  // Subkeys are listed even when only values are wanted, so that recursion can descend.
  uint8_t listing = (mode.values ? platform::ListValues : 0) | (mode.keys || mode.recurse ? platform::ListKeys : 0);
  platform::list_registry(root, subkey, listing, entries);
  LoopRegItem item;
  item.root = root;
  item.subkey = subkey;
  for (platform::RegEntry& e : entries) {
    if (stop) return ResultDone;
    if (e.is_key && !mode.keys) continue;
    item.name = e.name;
    item.type = e.type;
    item.modified = e.modified;
    g_thread->loop_reg = &item;
    Result r = loop_iteration(loop, jump, stop);
    g_thread->loop_reg = nullptr;
    if (r != ResultDone) return r;
  }
  if (!mode.recurse) return ResultDone;
  for (platform::RegEntry& e : entries) {
    if (!e.is_key || stop) continue;
    String sub = subkey.empty() ? e.name : subkey + u"\\" + e.name;
    Result r = registry_level(loop, root, sub, mode, jump, stop);
    if (r != ResultDone) return r;
  }
  return ResultDone;
}

Result Engine::loop_for(ScriptLine* loop, ScriptLine*& jump) {
  // For k, v in expr: the value's _NewEnum gives an enumerator whose Next
  // fills the variables; anything that is no object runs no rounds.
  ObjectRef object;
  {
    TempArena::Scope scope;
    OwnedToken value;
    if (Result r = evaluate(loop->args[2].postfix, value.out()); r != ResultDone) return r;
    if (value.is_object()) object = ObjectRef::adopt(value.detach().object);
    else if (value->symbol == SymVar && (value->var->target().attributes & AttrObject))
      object = ObjectRef(value->var->target().contents.object);
  }
  if (!object) return ResultDone;

  OwnedToken enum_result;
  ExprToken method = text_token(u"_NewEnum");
  ExprToken* params[3] = {&method};
  ExprToken this_token = object_token(object.get());
  Result r = object->invoke(enum_result.out(), this_token, InvokeCall, params, 1);
  object.reset();
  if (r == ResultFailed || r == ResultExitThread) return r;
  if (!enum_result.is_object()) return ResultDone;
  ObjectRef enumerator = ObjectRef::adopt(enum_result.detach().object);

  Variable* key = loop->args[0].ref.var;
  Variable* val = loop->arg_count > 1 && loop->args[1].length ? loop->args[1].ref.var : nullptr;
  ExprToken next_name = text_token(u"Next");
  ExprToken key_token = var_token(key);
  ExprToken value_token = var_token(val);
  ExprToken enum_this = object_token(enumerator.get());
  bool stop = false;
  Result result = ResultDone;
  while (!stop) {
    ExprToken* next_params[3] = {&next_name, &key_token, &value_token};
    bool go;
    Result n;
    {
      TempArena::Scope round;
      OwnedToken more;
      n = enumerator->invoke(more.out(), enum_this, InvokeCall, next_params, val ? 3 : 2);
      // A script's own Next ends with a Return, which a method reports.
      go = (n == ResultDone || n == ResultReturned) && token_truth(*more);
    }
    if (n == ResultFailed || n == ResultExitThread) {
      result = n;
      break;
    }
    if (!go) break;
    result = loop_iteration(loop, jump, stop);
    if (result != ResultDone) break;
  }
  return result;
}

}  // namespace orv
