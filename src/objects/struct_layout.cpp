#include "objects/struct_layout.h"

#include <algorithm>

namespace orv {

namespace {

// Nested definitions deeper than this are taken for a definition that
// contains itself.
constexpr int kMaxNesting = 32;

bool is_name_char(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'$' ||
         c == u'#' || c == u'@' || c >= 128;
}

bool is_name(StringView s) {
  if (s.empty()) return false;
  for (char16_t c : s)
    if (!is_name_char(c)) return false;
  return true;
}

bool is_separator(char16_t c) { return c == u';' || c == u',' || c == u'\n' || c == u'\r'; }

// A count or width: decimal or 0x-hexadecimal digits, at most `most`.
bool parse_number(StringView s, uint64_t most, uint64_t& out) {
  s = trim(s);
  uint64_t base = 10;
  if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;
  uint64_t value = 0;
  for (char16_t c : s) {
    uint64_t digit;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    else return false;
    if (value > (most - digit) / base) return false;
    value = value * base + digit;
  }
  out = value;
  return true;
}

// "name[n]" into its name and count (0 without brackets); false when the
// brackets are malformed or the count is 0.
bool split_array(StringView text, StringView& name, size_t& count) {
  text = trim(text);
  count = 0;
  size_t open = text.find(u'[');
  if (open == StringView::npos) {
    name = text;
    return text.find(u']') == StringView::npos;
  }
  size_t close = text.find(u']', open);
  if (close == StringView::npos || !trim(text.substr(close + 1)).empty()) return false;
  uint64_t n;
  if (!parse_number(text.substr(open + 1, close - open - 1), SIZE_MAX, n) || n == 0) return false;
  name = trim(text.substr(0, open));
  count = size_t(n);
  return true;
}

bool checked_add(size_t a, size_t b, size_t& out) { return !__builtin_add_overflow(a, b, &out); }
bool checked_mul(size_t a, size_t b, size_t& out) { return !__builtin_mul_overflow(a, b, &out); }
bool align_up(size_t value, size_t alignment, size_t& out) {
  size_t rest = value % alignment;
  return rest == 0 ? (out = value, true) : checked_add(value, alignment - rest, out);
}

struct Block {
  std::vector<StructField> fields;
  size_t size = 0;
  size_t alignment = 1;
};

// The storage unit the last bit field went into.
struct BitUnit {
  bool open = false;
  size_t offset = 0;
  size_t size = 0;
  unsigned used = 0;
};

class Parser {
 public:
  Parser(StringView text, DefinitionSource* source, std::vector<String>& resolving)
      : text_(text), source_(source), resolving_(resolving) {}

  LayoutResult run();

 private:
  bool parse_block(Block& block, bool is_union, bool closed);
  bool add_member(Block& block, bool is_union, StringView member, BitUnit& bits);
  bool add_block(Block& outer, bool outer_union, Block& inner, StringView after);
  bool place(Block& block, bool is_union, StructField& field, size_t alignment, BitUnit& bits, StringView member);
  bool resolve(StringView name, LayoutRef& layout, StringView member);

  void skip_space() {
    while (pos_ < text_.size()) {
      char16_t c = text_[pos_];
      if (is_blank(c) || is_separator(c)) {
        ++pos_;
      } else if (c == u'/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'/') {
        while (pos_ < text_.size() && text_[pos_] != u'\n') ++pos_;
      } else {
        break;
      }
    }
  }
  // Up to the next separator, brace or comment.
  StringView take_member() {
    size_t start = pos_;
    while (pos_ < text_.size()) {
      char16_t c = text_[pos_];
      if (is_separator(c) || c == u'{' || c == u'}') break;
      if (c == u'/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'/') break;
      ++pos_;
    }
    return trim(text_.substr(start, pos_ - start));
  }
  bool fail(LayoutError error, StringView culprit) {
    if (error_ == LayoutError::None) {
      error_ = error;
      culprit_ = String(culprit);
    }
    return false;
  }

  StringView text_;
  DefinitionSource* source_;
  std::vector<String>& resolving_;
  size_t pos_ = 0;
  LayoutError error_ = LayoutError::None;
  String culprit_;
};

bool has_duplicates(const std::vector<StructField>& fields, StringView& which) {
  std::vector<StringView> names;
  names.reserve(fields.size());
  for (const StructField& f : fields) names.push_back(f.name);
  std::sort(names.begin(), names.end(), [](StringView a, StringView b) { return compare_ignore_case(a, b) < 0; });
  for (size_t i = 1; i < names.size(); ++i) {
    if (equals_ignore_case(names[i - 1], names[i])) {
      which = names[i];
      return true;
    }
  }
  return false;
}

LayoutRef finish(Block& block, StringView definition) {
  auto layout = std::make_shared<StructLayout>();
  layout->fields = std::move(block.fields);
  layout->size = block.size;
  layout->alignment = block.alignment;
  layout->definition = String(definition);
  return layout;
}

LayoutResult Parser::run() {
  Block block;
  LayoutResult result;
  if (parse_block(block, false, false)) {
    StringView duplicate;
    if (block.fields.empty()) fail(LayoutError::Invalid, text_);
    else if (has_duplicates(block.fields, duplicate)) fail(LayoutError::Duplicate, duplicate);
    else result.layout = finish(block, text_);
  }
  result.error = error_;
  result.culprit = culprit_;
  if (error_ != LayoutError::None) result.layout.reset();
  return result;
}

// block -> { member | ["struct" | "union"] "{" block "}" [name ["[" n "]"]] }
bool Parser::parse_block(Block& block, bool is_union, bool closed) {
  BitUnit bits;
  for (;;) {
    skip_space();
    if (pos_ == text_.size()) {
      if (closed) return fail(LayoutError::Invalid, text_);
      break;
    }
    if (text_[pos_] == u'}') {
      if (!closed) return fail(LayoutError::Invalid, text_.substr(pos_));
      ++pos_;
      break;
    }
    StringView member = take_member();
    if (pos_ < text_.size() && text_[pos_] == u'{') {
      bool inner_union = equals_ignore_case(member, u"union");
      if (!member.empty() && !inner_union && !equals_ignore_case(member, u"struct"))
        return fail(LayoutError::Invalid, member);
      ++pos_;
      Block inner;
      if (!parse_block(inner, inner_union, true)) return false;
      // What follows the brace on its line names the block, if anything.
      while (pos_ < text_.size() && is_blank(text_[pos_])) ++pos_;
      StringView after = take_member();
      if (!add_block(block, is_union, inner, after)) return false;
      bits = BitUnit{};
      continue;
    }
    if (member.empty()) continue;
    if (!add_member(block, is_union, member, bits)) return false;
  }
  size_t rounded;
  if (!align_up(block.size, block.alignment, rounded)) return fail(LayoutError::Invalid, text_);
  block.size = rounded;
  return true;
}

bool Parser::add_block(Block& outer, bool outer_union, Block& inner, StringView after) {
  BitUnit no_bits;
  if (after.empty()) {
    // An anonymous block: its members belong to the structure around it.
    if (inner.fields.empty()) return true;
    size_t base = 0;
    if (!outer_union && !align_up(outer.size, inner.alignment, base)) return fail(LayoutError::Invalid, text_);
    for (StructField& f : inner.fields) {
      f.offset += base;
      outer.fields.push_back(std::move(f));
    }
    size_t end;
    if (!checked_add(base, inner.size, end)) return fail(LayoutError::Invalid, text_);
    outer.size = std::max(outer.size, end);
    outer.alignment = std::max(outer.alignment, inner.alignment);
    return true;
  }
  StructField field;
  StringView name;
  if (!split_array(after, name, field.count) || !is_name(name) || inner.fields.empty())
    return fail(LayoutError::Invalid, after);
  StringView duplicate;
  if (has_duplicates(inner.fields, duplicate)) return fail(LayoutError::Duplicate, duplicate);
  size_t alignment = inner.alignment;
  field.name = String(name);
  field.size = inner.size;
  field.nested = finish(inner, {});
  return place(outer, outer_union, field, alignment, no_bits, after);
}

// member -> [type] {"*"} name ["[" count "]"] [":" width]
bool Parser::add_member(Block& block, bool is_union, StringView member, BitUnit& bits) {
  if (member.size() > kMaxMemberText) return fail(LayoutError::Invalid, member.substr(0, 64));
  StructField field;
  StringView decl = member;
  bool bit_field = false;
  uint64_t width = 0;
  if (size_t colon = member.find(u':'); colon != StringView::npos) {
    bit_field = true;
    if (!parse_number(member.substr(colon + 1), 64, width) || width == 0) return fail(LayoutError::Invalid, member);
    decl = member.substr(0, colon);
  }
  // Stars anywhere in the declaration count towards the pointer depth.
  String words;
  for (char16_t c : decl) {
    if (c == u'*') ++field.pointer_depth;
    else words.push_back(c == u'\t' ? u' ' : c);
  }
  if (bit_field && field.pointer_depth) return fail(LayoutError::BitFieldPointer, member);
  StringView rest = trim(words);
  size_t open = rest.find(u'[');
  StringView before_array = open == StringView::npos ? rest : rest.substr(0, open);
  size_t split = trim_right(before_array).rfind(u' ');
  StringView type_name = kDefaultMemberType;
  StringView declarator = rest;
  if (split != StringView::npos) {
    type_name = trim(rest.substr(0, split));
    declarator = trim(rest.substr(split + 1));
    // Qualifiers change nothing in memory.
    for (StringView q : {StringView(u"const "), StringView(u"volatile "), StringView(u"struct ")}) {
      while (starts_with_ignore_case(type_name, q)) type_name = trim(type_name.substr(q.size()));
    }
  }
  StringView name;
  if (!is_name(type_name) || !split_array(declarator, name, field.count) || !is_name(name))
    return fail(LayoutError::Invalid, member);
  if (bit_field && field.count) return fail(LayoutError::Invalid, member);
  field.name = String(name);
  field.type = find_struct_type(type_name);
  if (bit_field && field.type.is_text_pointer) return fail(LayoutError::BitFieldPointer, member);
  size_t alignment;
  if (field.pointer_depth) {
    if (!field.type.size) field.target = String(type_name);
    field.size = 8;
    alignment = 8;
  } else if (field.type.size) {
    field.size = size_t(field.type.size);
    alignment = field.size;
    if (bit_field && (field.type.is_float || width > uint64_t(field.size) * 8)) return fail(LayoutError::Invalid, member);
    field.bit_width = uint8_t(width);
  } else {
    if (bit_field) return fail(LayoutError::Invalid, member);
    if (!resolve(type_name, field.nested, member)) return false;
    field.size = field.nested->size;
    alignment = field.nested->alignment;
  }
  return place(block, is_union, field, alignment, bits, member);
}

bool Parser::place(Block& block, bool is_union, StructField& field, size_t alignment, BitUnit& bits, StringView member) {
  size_t total;
  if (!checked_mul(field.size, field.elements(), total)) return fail(LayoutError::Invalid, member);
  block.alignment = std::max(block.alignment, alignment);
  if (is_union) {
    field.offset = 0;
    block.size = std::max(block.size, total);
    block.fields.push_back(std::move(field));
    return true;
  }
  if (field.bit_width) {
    if (bits.open && bits.size == field.size && bits.used + field.bit_width <= field.size * 8) {
      field.offset = bits.offset;
      field.bit_position = uint8_t(bits.used);
      bits.used += field.bit_width;
      block.fields.push_back(std::move(field));
      return true;
    }
    bits = BitUnit{true, 0, field.size, field.bit_width};
  } else {
    bits = BitUnit{};
  }
  size_t offset, end;
  if (!align_up(block.size, alignment, offset) || !checked_add(offset, total, end))
    return fail(LayoutError::Invalid, member);
  field.offset = bits.offset = offset;
  block.size = end;
  block.fields.push_back(std::move(field));
  return true;
}

bool Parser::resolve(StringView name, LayoutRef& layout, StringView member) {
  for (const String& open : resolving_)
    if (equals_ignore_case(open, name)) return fail(LayoutError::Invalid, member);
  if (resolving_.size() >= kMaxNesting) return fail(LayoutError::Invalid, member);
  String text;
  if (!source_ || !source_->find(name, text, layout)) return fail(LayoutError::NotFound, name);
  if (layout) return true;
  resolving_.emplace_back(name);
  LayoutResult inner = Parser(text, source_, resolving_).run();
  resolving_.pop_back();
  if (!inner.layout) return fail(inner.error, inner.culprit);
  layout = std::move(inner.layout);
  return true;
}

}  // namespace

const StructField* StructLayout::find(StringView name) const {
  for (const StructField& f : fields)
    if (equals_ignore_case(f.name, name)) return &f;
  return nullptr;
}

bool split_definition_name(StringView text, StringView& name, size_t& count) {
  return split_array(text, name, count) && is_name(name);
}

LayoutResult parse_struct_definition(StringView text, DefinitionSource* source) {
  std::vector<String> resolving;
  StringView name;
  size_t count;
  if (source && split_definition_name(text, name, count)) {
    // A definition kept under a name, maybe as an array of it.
    String named_text;
    LayoutRef named;
    if (source->find(name, named_text, named)) {
      LayoutResult result;
      if (!named) {
        resolving.emplace_back(name);
        result = Parser(named_text, source, resolving).run();
        if (!result.layout) return result;
        named = result.layout;
      }
      if (!count) {
        result.layout = named;
        return result;
      }
      auto array = std::make_shared<StructLayout>(*named);
      array->count = count;
      array->definition = String(text);
      if (named->count || !checked_mul(named->size, count, array->size)) {
        result.layout.reset();
        result.error = LayoutError::Invalid;
        result.culprit = String(text);
        return result;
      }
      result.layout = std::move(array);
      return result;
    }
  }
  return Parser(text, source, resolving).run();
}

}  // namespace orv
