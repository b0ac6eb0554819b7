// Attributes as letters: FileExist(FilePattern) and FileGetAttrib,
// OutputVar [, Filename] read them ("RASHNDOCT"); FileSetAttrib, Attributes
// [, FilePattern, OperateOnFolders, Recurse] changes them, each letter of
// RASHNOT after "+" turned on, after "-" off, after "^" toggled, and turned
// on when no sign comes before it.
#include "library/file_patterns.h"
#include "platform/file_system.h"
#include "runtime/builtin_functions.h"
#include "runtime/error_level.h"
#include "runtime/evaluator.h"
#include "runtime/executor.h"
#include "runtime/file_lookup.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

namespace {

using namespace platform;

// What SetFileAttributes accepts; the others (a folder, compression) are
// the system's to say.
constexpr uint32_t kSettable = AttrReadOnly | AttrArchive | AttrSystem | AttrHidden | AttrNormal | AttrOffline |
                               AttrTemporary;

struct AttributeChange {
  uint32_t on = 0, off = 0, toggle = 0;

  uint32_t applied_to(uint32_t attributes) const {
    uint32_t a = (((attributes | on) & ~off) ^ toggle) & kSettable;
    // "Normal" means no other attribute; alone it is how none is written.
    if (a & ~AttrNormal) a &= ~AttrNormal;
    return a ? a : AttrNormal;
  }
};

AttributeChange parse_change(StringView letters) {
  AttributeChange change;
  uint32_t* target = &change.on;
  for (char16_t c : letters) {
    uint32_t bit = 0;
    switch (upper_case(c)) {
      case u'+': target = &change.on; continue;
      case u'-': target = &change.off; continue;
      case u'^': target = &change.toggle; continue;
      case u'R': bit = AttrReadOnly; break;
      case u'A': bit = AttrArchive; break;
      case u'S': bit = AttrSystem; break;
      case u'H': bit = AttrHidden; break;
      case u'N': bit = AttrNormal; break;
      case u'O': bit = AttrOffline; break;
      case u'T': bit = AttrTemporary; break;
      default: continue;  // a letter that cannot be set
    }
    *target |= bit;
  }
  return change;
}

}  // namespace

Result builtin_file_exist(Func&, ExprToken& result, ExprToken* args, int) {
  char16_t buf[256];
  DirEntry found;
  String letters;
  if (first_match(token_to_text(args[0], buf), found)) {
    letters = attribute_letters(found.attributes);
    // Something is there whatever its attributes, and the answer must be true.
    if (letters.empty()) letters = u"X";
  }
  return temp_text_token(letters, SymString, result);
}

Result cmd_file_get_attrib(const ScriptLine&, ExpandedArgs& args) {
  DirEntry e;
  Result r;
  if (!find_queried_file(args, e, r)) return r;
  Variable* out = args.vars[0];
  if (out && !out->assign(attribute_letters(e.attributes))) return ResultFailed;
  return report_outcome(true);
}

Result cmd_file_set_attrib(const ScriptLine&, ExpandedArgs& args) {
  AttributeChange change = parse_change(arg_text(args, 0));
  String buf;
  StringView pattern = file_or_loop_file(arg_text(args, 1), buf);
  std::vector<FileMatch> matches = find_matches(pattern, scope_of(arg_text(args, 2), arg_text(args, 3)));
  FailureTally tally;
  for (const FileMatch& m : matches) tally.add(set_file_attributes(m.path, change.applied_to(m.entry.attributes)));
  return report_failures(pattern, matches.size(), tally);
}

}  // namespace orv
