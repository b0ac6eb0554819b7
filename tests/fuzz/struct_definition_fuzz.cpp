// Fuzz target: the structure definition parser. The input is a definition,
// optionally followed by further definitions (after \x01 separators) that
// it may name as S1, S2, ...; POINT, RECT and a self-pointing Node are
// always there. A layout it accepts must hold together: every member inside
// the structure and inside its alignment, bit fields inside their unit,
// names unique, the size a multiple of the alignment; and numbers written
// into each member of a buffer that size must read back without touching
// anything beyond it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "objects/struct_layout.h"
#include "objects/struct_values.h"

namespace orv {
namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "struct_definition_fuzz: %s\n", what);
    abort();
  }
}

class FuzzNames final : public DefinitionSource {
 public:
  std::vector<String> pieces;
  bool find(StringView name, String& text, LayoutRef&) override {
    if (equals_ignore_case(name, u"POINT")) return text = u"LONG x; LONG y", true;
    if (equals_ignore_case(name, u"RECT")) return text = u"LONG left, top, right, bottom", true;
    if (equals_ignore_case(name, u"Node")) return text = u"INT v; Node *next; union { BYTE b[5]; DWORD d; }", true;
    if (name.size() >= 2 && (name[0] == u'S' || name[0] == u's')) {
      size_t i = 0;
      for (char16_t c : name.substr(1)) {
        if (c < u'0' || c > u'9' || i > 100) return false;
        i = i * 10 + (c - u'0');
      }
      if (i >= 1 && i <= pieces.size()) return text = pieces[i - 1], true;
    }
    return false;
  }
};

// Buffers larger than this are not worth filling.
constexpr size_t kMaxBuffer = 1 << 20;

void check_layout(const StructLayout& layout, int depth) {
  check(layout.alignment >= 1 && layout.alignment <= 8 && (layout.alignment & (layout.alignment - 1)) == 0,
        "alignment is a power of two up to 8");
  check(layout.size % layout.alignment == 0, "size is a multiple of the alignment");
  check(!layout.fields.empty(), "a layout has members");
  for (size_t i = 0; i < layout.fields.size(); ++i) {
    const StructField& f = layout.fields[i];
    check(!f.name.empty(), "members have names");
    check(f.size > 0, "members have a size");
    size_t total = f.total_size();
    check(total / f.elements() == f.size, "member size does not overflow");
    check(f.offset <= layout.element_size() && total <= layout.element_size() - f.offset, "member inside the structure");
    if (f.bit_width) {
      check(f.bit_position + f.bit_width <= f.size * 8, "bit field inside its unit");
      check(!f.pointer_depth && !f.count, "bit fields are plain");
    }
    for (size_t j = 0; j < i; ++j) check(!equals_ignore_case(layout.fields[j].name, f.name), "names are unique");
    if (f.nested && depth < 4) check_layout(*f.nested, depth + 1);
  }
}

void exercise(const StructLayout& layout) {
  size_t size = layout.element_size();
  if (size > kMaxBuffer) return;
  // Guard bytes on both sides show a write that strays.
  std::vector<uint8_t> memory(size + 16, 0x5A);
  uint8_t* base = memory.data() + 8;
  std::memset(base, 0, size);
  for (const StructField& f : layout.fields) {
    if (f.nested && !f.pointer_depth) continue;
    for (size_t i = 0; i < f.elements() && i < 4; ++i) {
      uint8_t* at = base + f.offset + i * f.size;
      write_member_number(f, at, int_token(-1));
      ExprToken got = read_member_number(f, at);
      check(got.symbol == SymInteger || got.symbol == SymFloat, "a member reads as a number");
      write_member_number(f, at, double_token(0.5));
    }
  }
  for (size_t i = 0; i < 8; ++i) check(memory[i] == 0x5A && memory[size + 8 + i] == 0x5A, "writes stay inside");
}

}  // namespace
}  // namespace orv

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orv;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  FuzzNames names;
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= bytes.size(); ++i) {
    if (i == bytes.size() || bytes[i] == '\x01') {
      parts.push_back(bytes.substr(start, i - start));
      start = i + 1;
    }
  }
  for (size_t i = 1; i < parts.size(); ++i) names.pieces.push_back(utf8_to_utf16(parts[i]));
  LayoutResult result = parse_struct_definition(utf8_to_utf16(parts[0]), &names);
  check((result.layout != nullptr) == (result.error == LayoutError::None), "a layout or an error, never both");
  if (result.layout) {
    check(result.layout->size == result.layout->element_size() * result.layout->elements(), "arrays of structures add up");
    check_layout(*result.layout, 0);
    exercise(*result.layout);
  }
  return 0;
}
