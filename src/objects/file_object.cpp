// FileOpen and the object it returns: a text stream over a file that
// scripts read, write and move around in through its members.
#include <cstring>
#include <new>

#include "base/code_pages.h"
#include "base/messages.h"
#include "objects/dll_types.h"
#include "objects/encoding_names.h"
#include "runtime/text_stream.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "runtime/builtin_functions.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

namespace {

constexpr size_t kMaxLine = 65535;
// Numbers below this are never addresses a script may hand over.
constexpr int64_t kLowestAddress = 0x10000;

// Inside Try a failure raises an exception with `what`; elsewhere the
// empty result alone says it.
Result fail_quietly(Msg msg, StringView what) {
  if (g_thread && g_thread->in_try) return throw_runtime_exception(g_thread->current_line, message(msg), what, {});
  return ResultDone;
}

Result text_result(StringView text, ExprToken& result) { return temp_text_token(text, SymString, result); }

// FileOpen's flags as text; false for anything the syntax does not allow.
bool parse_open_flags(StringView text, uint32_t& flags) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  if (i == text.size()) return false;
  switch (upper_case(text[i++])) {
    case u'R':
      flags = TextStream::ModeRead;
      if (i < text.size() && upper_case(text[i]) == u'W') {
        flags = TextStream::ModeUpdate;
        ++i;
      }
      break;
    case u'W': flags = TextStream::ModeWrite; break;
    case u'A': flags = TextStream::ModeAppend; break;
    case u'H': flags = TextStream::HandleMode; break;
    default: return false;
  }
  flags |= TextStream::ShareAll;
  for (; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u' ' || c == u'\t') continue;
    if (c == u'\n') {
      flags |= TextStream::TranslateLf;
    } else if (c == u'\r') {
      flags |= TextStream::TranslateCr;
    } else if (c == u'-') {
      bool any = false;
      for (; i + 1 < text.size(); ++i) {
        char16_t s = upper_case(text[i + 1]);
        uint32_t bit = s == u'D' ? TextStream::ShareDelete : s == u'R' ? TextStream::ShareRead
                     : s == u'W' ? TextStream::ShareWrite : 0;
        if (!bit) break;
        flags &= ~bit;
        any = true;
      }
      if (!any) flags &= ~TextStream::ShareAll;
    } else {
      return false;
    }
  }
  return true;
}

// The code page and mark flags of an encoding parameter.
bool parse_open_encoding(StringView name, uint32_t& code_page, uint32_t& bom_flags) {
  uint32_t encoding;
  if (!parse_file_encoding(name, g_thread->file_encoding, encoding)) return false;
  code_page = encoding & ~kEncodingNoBom;
  bom_flags = byte_order_mark_flags(encoding);
  return true;
}

String encoding_name(uint32_t code_page) {
  if (code_page == kCodePageUtf8) return u"UTF-8";
  if (code_page == kCodePageUtf16) return u"UTF-16";
  return u"CP" + to_string(code_page);
}

// The text of an unsigned 64-bit number: decimal or 0x-hexadecimal digits
// beyond the signed range are still the number they spell.
uint64_t token_to_unsigned(const ExprToken& token) {
  if (token.symbol == SymInteger || token.symbol == SymFloat) return uint64_t(token_to_int(token));
  char16_t buf[256];
  uint64_t value;
  if (parse_unsigned_digits(trim(token_to_text(token, buf)), UINT64_MAX, value)) return value;
  return uint64_t(token_to_int(token));
}

class FileObject final : public ObjectBase {
 public:
  TextFile& file() { return file_; }

  Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) override;
  StringView type_name() const override { return u"File"; }

 private:
  ~FileObject() override = default;

  Result read_number(const NumberType& type, ExprToken& result);
  Result write_number(const NumberType& type, const ExprToken& value, ExprToken& result);
  Result raw_transfer(bool reading, ExprToken** args, int argc, ExprToken& result);

  TextFile file_;
};

// A buffer a raw read or write names: a variable's own memory, or an
// address. Null when neither will do.
uint8_t* raw_buffer(ExprToken& where, size_t& bytes, bool bytes_given, bool reading) {
  if (where.symbol == SymVar) {
    Variable& v = where.var->target();
    if (v.type != VarType::Normal || (v.attributes & AttrObject)) return nullptr;
    if (!bytes_given) bytes = reading ? v.capacity_bytes : v.length_bytes;
    if (reading && v.capacity_bytes < bytes && v.reserve((bytes + 1) / 2) != ResultDone) return nullptr;
    if (!reading && bytes > v.capacity_bytes) bytes = v.capacity_bytes;
    v.disable_caching();
    return reinterpret_cast<uint8_t*>(v.text);
  }
  if (!bytes_given || token_numeric_type(where) != NumType::Integer || !platform::foreign_memory_allowed())
    return nullptr;
  int64_t address = token_to_int(where);
  return address > kLowestAddress - 1 ? reinterpret_cast<uint8_t*>(uintptr_t(address)) : nullptr;
}

Result FileObject::raw_transfer(bool reading, ExprToken** args, int argc, ExprToken& result) {
  bool bytes_given = argc > 1 && args[1]->symbol != SymMissing;
  int64_t requested = bytes_given ? token_to_int(*args[1]) : 0;
  if (requested < 0) requested = 0;
  size_t bytes = size_t(requested);
  uint8_t* buffer = raw_buffer(*args[0], bytes, bytes_given, reading);
  if (!buffer) return ResultDone;
  size_t done = reading ? file_.read_bytes(buffer, bytes) : file_.write_bytes(buffer, bytes);
  result = int_token(int64_t(done));
  return ResultDone;
}

Result FileObject::read_number(const NumberType& type, ExprToken& result) {
  uint8_t bytes[8] = {};
  if (file_.read_bytes(bytes, size_t(type.size)) < size_t(type.size)) return ResultDone;
  if (type.is_float) {
    double value;
    if (type.size == 4) {
      float f;
      std::memcpy(&f, bytes, 4);
      value = f;
    } else {
      std::memcpy(&value, bytes, 8);
    }
    result = ExprToken{};
    result.symbol = SymFloat;
    result.number = value;
    return ResultDone;
  }
  uint64_t raw = 0;
  std::memcpy(&raw, bytes, size_t(type.size));
  int64_t value = int64_t(raw);
  if (!type.is_unsigned && type.size < 8) {
    unsigned shift = unsigned(64 - 8 * type.size);
    value = int64_t(raw << shift) >> shift;
  }
  result = int_token(value);
  return ResultDone;
}

Result FileObject::write_number(const NumberType& type, const ExprToken& value, ExprToken& result) {
  uint8_t bytes[8];
  if (type.is_float) {
    double d = token_to_double(value);
    if (type.size == 4) {
      float f = float(d);
      std::memcpy(bytes, &f, 4);
    } else {
      std::memcpy(bytes, &d, 8);
    }
  } else {
    uint64_t raw = type.is_unsigned && type.size == 8 ? token_to_unsigned(value) : uint64_t(token_to_int(value));
    std::memcpy(bytes, &raw, 8);
  }
  result = int_token(int64_t(file_.write_bytes(bytes, size_t(type.size))));
  return ResultDone;
}

Result FileObject::invoke(ExprToken& result, ExprToken&, uint32_t flags, ExprToken** params, int count) {
  const uint32_t kind = flags & InvokeTypeMask;
  if (count < 1) return fail_quietly(Msg::UnknownMember, u"FileObject");
  char16_t name_buf[256];
  StringView name = token_to_text(*params[0], name_buf);
  ExprToken** args = params + 1;
  int argc = count - 1;
  const bool assigning = kind == InvokeSet;
  // Checks the number of parameters (the assigned value not counted).
  auto counts = [&](int least, int most) {
    int n = assigning ? argc - 1 : argc;
    return n >= least && n <= most;
  };
  auto wrong_count = [&]() {
    int n = assigning ? argc - 1 : argc;
    return fail_quietly(n > 0 ? Msg::TooManyParamsPassed : Msg::TooFewParamsPassed, u"FileObject");
  };

  if (equals_ignore_case(name, u"Close")) {
    if (!counts(0, 0) || assigning) return wrong_count();
    // The last buffer is written now: a failure is the script's to know.
    if (!file_.close()) {
      g_thread->last_error = platform::last_error();
      return fail_quietly(Msg::FileWriteFailed, u"FileObject");
    }
    return ResultDone;
  }
  // A closed file answers nothing but Close.
  if (!file_.is_open()) return ResultDone;

  if (!assigning) {
    if (equals_ignore_case(name, u"Read")) {
      if (!counts(0, 1)) return wrong_count();
      int64_t want;
      if (argc > 0 && args[0]->symbol != SymMissing) {
        want = token_to_int(*args[0]);
      } else {
        int64_t size = file_.length();
        want = size < 0 ? INT64_MAX : size - file_.tell();
      }
      String text;
      if (want > 0) file_.read(text, size_t(want));
      return text_result(text, result);
    }
    if (equals_ignore_case(name, u"ReadLine")) {
      if (!counts(0, 0)) return wrong_count();
      // One buffer serves every call: its memory stays for the next line.
      thread_local String line;
      line.clear();
      file_.read(line, kMaxLine, true);
      return text_result(line, result);
    }
    if (equals_ignore_case(name, u"Write") || equals_ignore_case(name, u"WriteLine")) {
      bool line = name.size() > 5;
      if (!(line ? counts(0, 1) : counts(1, 1))) return wrong_count();
      char16_t buf[256];
      StringView text = argc > 0 && args[0]->symbol != SymMissing ? token_to_text(*args[0], buf) : StringView();
      size_t written = text.empty() ? 0 : file_.write(text);
      bool failed = written == 0 && !text.empty();
      if (line && !failed) {
        size_t end = file_.write(u"\n");
        written = end ? written + end : 0;
        failed = end == 0;
      }
      result = int_token(int64_t(written));
      if (failed) return fail_quietly(Msg::FileWriteFailed, u"FileObject");
      return ResultDone;
    }
    if (equals_ignore_case(name, u"RawRead") || equals_ignore_case(name, u"RawWrite")) {
      if (!counts(1, 2)) return wrong_count();
      return raw_transfer(name[3] == u'R' || name[3] == u'r', args, argc, result);
    }
    if (equals_ignore_case(name, u"Seek")) {
      if (!counts(1, 2)) return wrong_count();
      int64_t distance = token_to_int(*args[0]);
      int origin = argc > 1 && args[1]->symbol != SymMissing ? int(token_to_int(*args[1])) : distance < 0 ? 2 : 0;
      result = int_token(file_.seek(distance, origin) ? 1 : 0);
      return ResultDone;
    }
    if (equals_ignore_case(name, u"AtEOF")) {
      if (!counts(0, 0)) return wrong_count();
      result = int_token(file_.at_eof() ? 1 : 0);
      return ResultDone;
    }
    if (equals_ignore_case(name, u"__Handle")) {
      if (!counts(0, 0)) return wrong_count();
      file_.sync();
      result = int_token(int64_t(file_.handle()));
      return ResultDone;
    }
    if (equals_ignore_case(name, u"Tell")) {
      if (!counts(0, 0)) return wrong_count();
      result = int_token(file_.tell());
      return ResultDone;
    }
    NumberType type;
    if (starts_with_ignore_case(name, u"Read") && parse_number_type(name.substr(4), type)) {
      if (!counts(0, 0)) return wrong_count();
      return read_number(type, result);
    }
    if (starts_with_ignore_case(name, u"Write") && parse_number_type(name.substr(5), type)) {
      if (!counts(1, 1)) return wrong_count();
      return write_number(type, *args[0], result);
    }
  }

  // Properties, read or assigned.
  if (equals_ignore_case(name, u"Pos") || equals_ignore_case(name, u"Position")) {
    if (!counts(0, 0)) return wrong_count();
    if (assigning && !file_.seek(token_to_int(*args[argc - 1]), 0)) return ResultDone;
    result = int_token(file_.tell());
    return ResultDone;
  }
  if (equals_ignore_case(name, u"Length")) {
    if (!counts(0, 0)) return wrong_count();
    if (assigning && !file_.set_length(token_to_int(*args[argc - 1]))) return ResultDone;
    result = int_token(file_.length());
    return ResultDone;
  }
  if (equals_ignore_case(name, u"Encoding")) {
    if (!counts(0, 0)) return wrong_count();
    if (assigning) {
      char16_t buf[256];
      uint32_t code_page, bom;
      if (!parse_open_encoding(token_to_text(*args[argc - 1], buf), code_page, bom)) return ResultDone;
      file_.set_code_page(code_page);
    }
    return text_result(encoding_name(file_.code_page()), result);
  }
  return fail_quietly(Msg::UnknownMember, u"FileObject");
}

}  // namespace

Result builtin_file_open(Func&, ExprToken& result, ExprToken* args, int argc) {
  char16_t name_buf[256], flags_buf[256], encoding_buf[256];
  StringView name = token_to_text(args[0], name_buf);
  uint32_t flags = 0;
  bool valid = true;
  if (token_numeric_type(args[1]) == NumType::Integer)
    flags = uint32_t(token_to_int(args[1]));
  else
    valid = parse_open_flags(token_to_text(args[1], flags_buf), flags);
  uint32_t code_page = 0, bom = 0;
  StringView encoding = arg_given(args, argc, 2) ? token_to_text(args[2], encoding_buf) : StringView();
  if (valid) valid = parse_open_encoding(encoding, code_page, bom);
  if (!valid) {
    g_thread->last_error = platform::ErrorInvalidParameter;
    return fail_quietly(Msg::ParamInvalid2, u"FileOpen");
  }
  auto* object = new (std::nothrow) FileObject();
  if (!object) return report_runtime_error(message(Msg::OutOfMemory));
  bool opened;
  if (flags & TextStream::HandleMode)
    opened = object->file().open_handle(platform::FileHandle(token_to_int(args[0])), flags | bom, code_page);
  else
    opened = object->file().open(name, flags | bom, code_page);
  g_thread->last_error = platform::last_error();
  if (!opened) {
    object->release();
    result = int_token(0);
    return fail_quietly(Msg::FileOpenFailed, u"FileOpen");
  }
  result = ExprToken{};
  result.symbol = SymObject;
  result.object = object;
  return ResultDone;
}

}  // namespace orv
