// ObjDump: an object graph written as bytes (the format is in
// object_dump.h), to a variable, to a file, or only counted.
#include "objects/object_dump.h"

#include <cstring>
#include <unordered_map>

#include "base/messages.h"
#include "base/packed_data.h"
#include "objects/object_fields.h"
#include "objects/object_model.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "runtime/builtin_functions.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/variable.h"

namespace orv {

using namespace object_detail;

namespace {

// A key or value taken out of the variables an enumerator filled, so that
// the next round may reuse them.
struct Item {
  enum Kind : uint8_t { Integer, Float, Text, Object } kind = Text;
  int64_t integer = 0;
  double number = 0;
  String text;        // for a whole buffer, every character of it
  bool whole = false;  // text holds a whole buffer, not a text
  ObjectRef object;
};

Item item_of(Variable& v) {
  Item item;
  if (v.attributes & AttrObject) {
    item.kind = Item::Object;
    item.object = ObjectRef(v.contents.object);
  } else if ((v.attributes & AttrTextStale) && (v.attributes & AttrHasInt)) {
    item.kind = Item::Integer;
    item.integer = v.contents.integer;
  } else if ((v.attributes & AttrTextStale) && (v.attributes & AttrHasDouble)) {
    item.kind = Item::Float;
    item.number = v.contents.number;
  } else {
    item.text = String(v.view());
  }
  return item;
}

ExprToken key_token_of(const Item& key) {
  switch (key.kind) {
    case Item::Integer: return int_token(key.integer);
    case Item::Object: return object_token(key.object.get());
    default: return text_token(key.text, SymString);
  }
}

class Dumper {
 public:
  Dumper(bool whole_buffers, std::vector<uint8_t>& out) : whole_buffers_(whole_buffers), out_(out) {}
  ~Dumper() {
    key_var_.free_buffer(FreeMode::Release, true);
    value_var_.free_buffer(FreeMode::Release, true);
  }

  Result run(IObject& root) {
    out_.clear();
    if (Result r = begin_object(root); r != ResultDone) return r;
    while (!frames_.empty()) {
      if (frames_.back().value_pending) {
        Item value = std::move(frames_.back().pending);
        frames_.back().value_pending = false;
        if (Result r = put_item(value, false); r != ResultDone) return r;
        continue;
      }
      bool more = false;
      // A script's enumerator runs script code, which may end the thread.
      Result r = enumerate_next(*frames_.back().enumerator, &key_var_, &value_var_, more);
      if (r != ResultDone) return r;
      Frame& f = frames_.back();
      if (!more) {
        put_u64_at(f.length_at, out_.size() - f.length_at - 8);
        frames_.pop_back();
        continue;
      }
      Item key = item_of(key_var_);
      f.pending = item_of(value_var_);
      if (whole_buffers_ && f.plain && f.pending.kind == Item::Text) take_whole_buffer(*f.plain, key, f.pending);
      f.value_pending = true;
      // Pushes a frame when the key is an object met for the first time;
      // the value is written once that object is done.
      if (Result k = put_item(key, true); k != ResultDone) return k;
    }
    return ResultDone;
  }

 private:
  struct Frame {
    ObjectRef object;
    Object* plain = nullptr;  // the same, when it is an Object
    ObjectRef enumerator;
    size_t length_at = 0;
    bool value_pending = false;
    Item pending;
  };

  // The buffer as a whole: binary contents past the first zero survive.
  static void take_whole_buffer(Object& object, const Item& key, Item& value) {
    ExprToken token = key_token_of(key);
    ObjectKey k;
    if (!decide_key(token, k)) return;
    const ObjectField* field = object.find(k);
    if (!field || field->kind != kFieldText || !field->capacity) return;
    value.text.assign(field->text, field->capacity);
    value.whole = true;
  }

  Result grow(size_t n) {
    // A script's enumerator may never end: the dump is held to what a
    // variable may hold.
    if (out_.size() + n > g_var_settings.memory_limit) return report_memory_limit();
    return ResultDone;
  }
  void put_bytes(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
  }
  void put_u64(uint64_t v) {
    uint8_t b[8];
    for (int i = 0; i < 8; ++i) b[i] = uint8_t(v >> (8 * i));
    put_bytes(b, 8);
  }
  void put_u64_at(size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i) out_[at + i] = uint8_t(v >> (8 * i));
  }
  void put_tag(uint8_t value_tag, bool key) { out_.push_back(key ? key_tag(value_tag) : value_tag); }

  void put_integer(int64_t v, bool key) {
    uint8_t tag;
    int width;
    if (v >= (int64_t(1) << 32)) tag = TagUInt64, width = 8;
    else if (v >= 65536) tag = TagUInt32, width = 4;
    else if (v >= 256) tag = TagUInt16, width = 2;
    else if (v >= 0) tag = TagUInt8, width = 1;
    else if (v >= -128) tag = TagInt8, width = 1;
    else if (v >= -32768) tag = TagInt16, width = 2;
    else if (v < -(int64_t(1) << 31)) tag = TagInt64, width = 8;
    else tag = TagInt32, width = 4;
    put_tag(tag, key);
    for (int i = 0; i < width; ++i) out_.push_back(uint8_t(uint64_t(v) >> (8 * i)));
  }

  Result put_item(const Item& item, bool key) {
    if (Result r = grow(17 + item.text.size() * 2); r != ResultDone) return r;
    switch (item.kind) {
      case Item::Integer: put_integer(item.integer, key); return ResultDone;
      case Item::Float:
        put_tag(TagFloat, key);
        put_bytes(&item.number, 8);
        return ResultDone;
      case Item::Text: {
        put_tag(TagText, key);
        // Text goes with its terminator, a whole buffer as it is.
        size_t bytes = item.whole ? item.text.size() * 2 : item.text.empty() ? 0 : (item.text.size() + 1) * 2;
        put_u64(bytes);
        if (bytes) {
          put_bytes(item.text.data(), item.text.size() * 2);
          if (!item.whole) out_.insert(out_.end(), 2, 0);
        }
        return ResultDone;
      }
      case Item::Object: break;
    }
    auto seen = numbers_.find(item.object.get());
    if (seen != numbers_.end()) {
      put_tag(TagReference, key);
      put_u64(seen->second);
      return ResultDone;
    }
    put_tag(TagObject, key);
    return begin_object(*item.object);
  }

  Result begin_object(IObject& object) {
    numbers_.emplace(&object, uint64_t(held_.size()));
    held_.emplace_back(&object);  // so that no other object takes its address meanwhile
    Frame f;
    f.object = ObjectRef(&object);
    f.plain = dynamic_cast<Object*>(&object);
    f.length_at = out_.size();
    put_u64(0);
    ExprToken this_token = object_token(&object);
    OwnedToken enumerator;
    Result r = enumerate_begin(object, this_token, enumerator.out());
    if (r == ResultFailed || r == ResultExitThread) return r;
    if (!enumerator.is_object()) {
      // Nothing to enumerate: an object without pairs.
      return ResultDone;
    }
    f.enumerator = ObjectRef::adopt(enumerator.detach().object);
    frames_.push_back(std::move(f));
    return ResultDone;
  }

  bool whole_buffers_;
  std::vector<uint8_t>& out_;
  std::vector<Frame> frames_;
  std::unordered_map<IObject*, uint64_t> numbers_;
  std::vector<ObjectRef> held_;
  Variable key_var_;
  Variable value_var_;
};

// Written beside the file and put in its place only once complete, so that
// a failed dump never costs the old file.
bool write_whole_file(StringView path, const std::vector<uint8_t>& bytes) {
  String temp = String(path) + u".dump~";
  platform::FileHandle file = platform::open_file(temp, platform::AccessWrite, platform::FileCreation::CreateAlways, 0, true);
  if (file == platform::kNoFile) return false;
  bool ok = true;
  for (size_t at = 0; ok && at < bytes.size();) {
    uint32_t chunk = uint32_t(std::min<size_t>(bytes.size() - at, 1u << 30));
    uint32_t done = 0;
    ok = platform::write_file_bytes(file, bytes.data() + at, chunk, done) && done == chunk;
    at += done;
  }
  platform::close_file(file);
  if (ok && platform::move_file(temp, path, true)) return true;
  (void)platform::delete_file(temp);
  return false;
}

Result store_dump(Variable& out, const std::vector<uint8_t>& bytes) {
  String units((bytes.size() + 1) / 2, u'\0');
  if (!bytes.empty()) std::memcpy(units.data(), bytes.data(), bytes.size());
  return out.assign(units);
}

}  // namespace

Result report_no_cipher() {
  static constexpr StringView kCipher = u"CryptAES";
  return report_not_available(kCipher, message(Msg::TheFunction));
}

Result dump_object(IObject& root, bool whole_buffers, std::vector<uint8_t>& out) {
  Dumper dumper(whole_buffers, out);
  return dumper.run(root);
}

// ObjDump(Target, Object [, Flags [, Password]]) or
// ObjDump(Object, OutputVar [, Flags [, Password]]).
Result builtin_obj_dump(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)func;
  IObject* object = argc > 1 ? token_object(args[1]) : nullptr;
  const bool to_file = object != nullptr;
  if (!object) object = token_object(args[0]);
  if (!object) return ResultDone;
  Variable* out = nullptr;
  if (!to_file && arg_given(args, argc, 1)) {
    out = args[1].symbol == SymVar ? &args[1].var->target() : nullptr;
    if (!out || out->type != VarType::Normal) {
      char16_t buf[256];
      StringView name = args[1].symbol == SymVar ? args[1].var->name_view() : token_to_text(args[1], buf);
      return report_runtime_error(message(Msg::NotOutputVar), name);
    }
  }
  const int64_t flags = arg_given(args, argc, 2) ? token_to_int(args[2]) : 0;
  char16_t buf[256];
  // The enciphered form needs CryptAES; never a plain dump instead.
  if (arg_given(args, argc, 3) && !token_to_text(args[3], buf).empty())
    return report_no_cipher();

  ObjectRef held(object);  // the enumerators run script code
  std::vector<uint8_t> bytes;
  if (Result r = dump_object(*object, flags == 1 || flags == 3, bytes); r != ResultDone) return r;
  if (flags > 1) {
    std::vector<uint8_t> packed = pack_data(bytes.data(), bytes.size());
    if (packed.empty()) return report_runtime_error(message(Msg::OutOfMemory));
    bytes = std::move(packed);
  }
  if (to_file) {
    if (!write_whole_file(token_to_text(args[0], buf), bytes)) return ResultDone;
  } else if (out) {
    if (Result r = store_dump(*out, bytes); r != ResultDone) return r;
  }
  result = int_token(int64_t(bytes.size()));
  return ResultDone;
}

}  // namespace orv
