// ObjLoad: a dump read back into plain Objects. The bytes may come from
// anywhere, so every length is held to what encloses it, references only
// reach objects already made, nesting lives on a stack of our own rather
// than the native one, and keys are stored as data (a key "base" is a
// field like any other, never a new base).
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/messages.h"
#include "base/packed_data.h"
#include "objects/object_dump.h"
#include "objects/object_fields.h"
#include "objects/object_model.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "runtime/builtin_functions.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/numbers.h"
#include "runtime/variable.h"

namespace orv {

using namespace object_detail;

namespace {

// A key read and waiting for its value.
struct Key {
  KeyKind kind = KeyKind::String;
  int64_t integer = 0;
  String text;
  Ref<Object> object;

  ExprToken token() const {
    if (kind == KeyKind::Integer) return int_token(integer);
    if (kind == KeyKind::Object) return object_token(object.get());
    return text_token(text, SymString);
  }
};

class Loader {
 public:
  Loader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool run(ObjectRef& root) {
    uint64_t length;
    if (!u64(length, size_) || length > size_ - pos_) return false;
    if (!new_object(pos_ + length)) return false;
    while (!frames_.empty()) {
      Frame& f = frames_.back();
      if (pos_ == f.end) {
        if (f.has_key) return false;  // a key without its value
        frames_.pop_back();
        continue;
      }
      uint8_t tag;
      if (!byte(tag, f.end)) return false;
      bool ok = f.has_key ? read_value(tag) : read_key(tag);
      if (!ok) return false;
    }
    root = ObjectRef(objects_[0].get());
    return true;
  }

 private:
  struct Frame {
    Object* object;  // held by objects_
    size_t end;
    bool has_key = false;
    Key key;
  };

  bool take(size_t n, size_t end, const uint8_t*& at) {
    if (n > end - pos_) return false;
    at = data_ + pos_;
    pos_ += n;
    return true;
  }
  bool byte(uint8_t& v, size_t end) {
    const uint8_t* at;
    if (!take(1, end, at)) return false;
    v = *at;
    return true;
  }
  bool u64(uint64_t& v, size_t end) {
    const uint8_t* at;
    if (!take(8, end, at)) return false;
    v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | at[i];
    return true;
  }

  // The integer forms: the tag's width, read signed or unsigned.
  bool integer(uint8_t tag, size_t end, int64_t& v) {
    static constexpr uint8_t kWidth[] = {0, 1, 1, 2, 2, 4, 4, 8, 8};
    const uint8_t* at;
    if (!take(kWidth[tag], end, at)) return false;
    uint64_t u = 0;
    for (int i = kWidth[tag] - 1; i >= 0; --i) u = u << 8 | at[i];
    const bool is_signed = tag % 2 == 1;
    const int bits = kWidth[tag] * 8;
    if (is_signed && bits < 64 && (u >> (bits - 1)) & 1) u |= ~uint64_t(0) << bits;
    v = int64_t(u);
    return true;
  }

  // A new object whose pairs end at `end`, numbered in the order met.
  bool new_object(uint64_t end) {
    if (!frames_.empty() && end > frames_.back().end) return false;
    Ref<Object> object = Ref<Object>::adopt(Object::create());
    if (!object) return false;
    Frame f;
    f.object = object.get();
    f.end = size_t(end);
    objects_.push_back(std::move(object));
    frames_.push_back(std::move(f));
    return true;
  }
  bool nested(Ref<Object>& out) {
    uint64_t length;
    if (!u64(length, frames_.back().end) || length > frames_.back().end - pos_) return false;
    if (!new_object(pos_ + length)) return false;
    out = objects_.back();
    return true;
  }
  bool reference(Ref<Object>& out) {
    uint64_t number;
    if (!u64(number, frames_.back().end) || number >= objects_.size()) return false;
    out = objects_[size_t(number)];
    return true;
  }

  bool text(size_t end, String& out, uint64_t& bytes) {
    const uint8_t* at;
    if (!u64(bytes, end) || !take(size_t(std::min<uint64_t>(bytes, end - pos_ + 1)), end, at)) return false;
    out.assign(size_t(bytes / 2), u'\0');
    if (bytes >= 2) std::memcpy(out.data(), at, out.size() * 2);
    out.resize(std::char_traits<char16_t>::length(out.c_str()));
    return true;
  }

  bool read_key(uint8_t tag) {
    if (tag < key_tag(TagReference)) return false;
    const uint8_t value_tag = uint8_t(256 - tag);
    // A key object's pairs come first and push a frame of their own, which
    // may move this one: the key is put in place at the end.
    const size_t at = frames_.size() - 1;
    const size_t end = frames_[at].end;
    Key key;
    bool ok;
    switch (value_tag) {
      case TagFloat: {
        double d;
        const uint8_t* p;
        ok = take(8, end, p);
        if (ok) {
          std::memcpy(&d, p, 8);
          key.text = float_key_text(d);
        }
        break;
      }
      case TagText: {
        uint64_t bytes;
        ok = text(end, key.text, bytes);
        break;
      }
      case TagObject: key.kind = KeyKind::Object, ok = nested(key.object); break;
      case TagReference: key.kind = KeyKind::Object, ok = reference(key.object); break;
      default: key.kind = KeyKind::Integer, ok = integer(value_tag, end, key.integer); break;
    }
    frames_[at].key = std::move(key);
    frames_[at].has_key = true;
    return ok;
  }

  bool read_value(uint8_t tag) {
    if (tag < TagInt8 || tag > TagReference) return false;
    Frame& f = frames_.back();
    Object& object = *f.object;
    const Key key = std::move(f.key);
    f.has_key = false;
    const size_t end = f.end;
    ObjectKey k;
    ExprToken key_token = key.token();
    if (!decide_key(key_token, k)) return false;
    switch (tag) {
      case TagFloat: {
        double d;
        const uint8_t* at;
        if (!take(8, end, at)) return false;
        std::memcpy(&d, at, 8);
        return object.set_raw(k, double_token(d));
      }
      case TagText: return store_text(object, k, key_token, end);
      case TagObject:
      case TagReference: {
        Ref<Object> value;
        if (!(tag == TagObject ? nested(value) : reference(value))) return false;
        return object.set_raw(k, object_token(value.get()));
      }
      default: {
        int64_t v;
        return integer(tag, end, v) && object.set_raw(k, int_token(v));
      }
    }
  }

  // The text, then the buffer sized to the bytes given and filled with
  // them, so that binary contents survive.
  bool store_text(Object& object, const ObjectKey& k, ExprToken& key_token, size_t end) {
    String value;
    uint64_t bytes;
    const size_t at = pos_ + 8;
    if (!text(end, value, bytes)) return false;
    if (!object.set_raw(k, text_token(value, SymString))) return false;
    if (bytes == 0) return true;
    ExprToken size = int_token(int64_t(bytes));
    ExprToken* params[2] = {&key_token, &size};
    OwnedToken ignored;
    if (object.call_method(ObjectMethod::SetCapacity, ignored.out(), params, 2) != ResultDone) return false;
    ObjectField* field = object.find(k);
    if (!field || field->kind != kFieldText || field->capacity * 2 < bytes) return false;
    std::memcpy(field->text, data_ + at, size_t(bytes));
    return true;
  }

  // "%0.17f" without trailing zeros, nor a point with nothing after it.
  static String float_key_text(double d) {
    char buf[400];
    int n = std::snprintf(buf, sizeof buf, "%0.17f", d);
    if (n < 0 || n >= int(sizeof buf)) n = 0;
    std::string s(buf, size_t(n));
    if (s.find('.') != std::string::npos) {
      while (!s.empty() && s.back() == '0') s.pop_back();
      if (!s.empty() && s.back() == '.') s.pop_back();
    }
    return String(s.begin(), s.end());
  }

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  std::vector<Frame> frames_;
  std::vector<Ref<Object>> objects_;
};

bool read_whole_file(StringView path, std::vector<uint8_t>& out) {
  platform::FileHandle file = platform::open_file(path, platform::AccessRead, platform::FileCreation::OpenExisting,
                                                  platform::ShareRead, true);
  if (file == platform::kNoFile) return false;
  int64_t size = platform::file_size(file);
  bool ok = size >= 0 && uint64_t(size) <= kMaxUnpackedSize;
  if (ok) {
    out.resize(size_t(size));
    size_t at = 0;
    while (ok && at < out.size()) {
      uint32_t done = 0;
      ok = platform::read_file_bytes(file, out.data() + at, uint32_t(out.size() - at), done) && done > 0;
      at += done;
    }
  }
  platform::close_file(file);
  return ok;
}

}  // namespace

bool load_object(const uint8_t* data, size_t size, ObjectRef& root) {
  root.reset();
  Loader loader(data, size);
  return loader.run(root);
}

// ObjLoad(FileNameOrAddress [, Size [, Password]]).
Result builtin_obj_load(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)func;
  char16_t buf[256];
  if (arg_given(args, argc, 2) && !token_to_text(args[2], buf).empty())
    return report_no_cipher();
  std::vector<uint8_t> file_bytes;
  const uint8_t* data = nullptr;
  size_t size = 0;
  const bool address = token_numeric_type(args[0]) == NumType::Integer && token_to_int(args[0]) != 0;
  if (address) {
    if (!platform::foreign_memory_allowed()) return ResultDone;
    data = reinterpret_cast<const uint8_t*>(uintptr_t(token_to_int(args[0])));
    if (arg_given(args, argc, 1)) {
      size = size_t(token_to_int(args[1]));
    } else {
      // Without a size the dump's own length says how far it goes, or the
      // packed form's header.
      uint64_t length;
      std::memcpy(&length, data, 8);
      if (uint32_t(length) == kPackedSignature) {
        uint32_t packed;
        std::memcpy(&packed, data + 8, 4);
        size = kPackedHeaderSize + packed;
      } else {
        size = length > kMaxUnpackedSize ? 0 : size_t(length) + 8;
      }
    }
  } else {
    if (!read_whole_file(token_to_text(args[0], buf), file_bytes)) return ResultDone;
    data = file_bytes.data();
    size = file_bytes.size();
  }
  std::vector<uint8_t> unpacked;
  if (is_packed_data(data, size)) {
    if (!unpack_data(data, size, unpacked)) return report_runtime_error(message(Msg::OutOfMemory));
    data = unpacked.data();
    size = unpacked.size();
  }
  ObjectRef root;
  // A malformed dump is reported as the allocation failure it may have been.
  if (!load_object(data, size, root)) return report_runtime_error(message(Msg::OutOfMemory));
  result = object_token(root.detach());
  return ResultDone;
}

}  // namespace orv
