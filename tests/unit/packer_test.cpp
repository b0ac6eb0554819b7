#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pe/pe_resources.h"

namespace orv::pe {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes(std::string_view s) { return {s.begin(), s.end()}; }

uint16_t get16(const Bytes& b, size_t off) { return static_cast<uint16_t>(b[off] | (b[off + 1] << 8)); }
uint32_t get32(const Bytes& b, size_t off) { return get16(b, off) | (uint32_t{get16(b, off + 2)} << 16); }
void put16(Bytes& b, size_t off, uint16_t v) {
  b[off] = static_cast<uint8_t>(v);
  b[off + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(Bytes& b, size_t off, uint32_t v) {
  put16(b, off, static_cast<uint16_t>(v));
  put16(b, off + 2, static_cast<uint16_t>(v >> 16));
}

// Built by fixtures/pe_resources.sh with the mingw toolchain: .text, .data,
// .rdata, .bss, .idata, .rsrc, .reloc, and the resources of pe_resources.rc.
Bytes toolchain_image() {
  std::string path = __FILE__;
  path = path.substr(0, path.find_last_of("/\\") + 1) + "fixtures/pe_resources.exe";
  Bytes out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return out;
}

}  // namespace

// Readable failure messages for keys.
void PrintTo(const ResourceKey& k, std::ostream* os) {
  if (!k.is_string) {
    *os << '#' << k.id;
    return;
  }
  *os << '"';
  for (char16_t c : k.name) *os << (c < 128 ? static_cast<char>(c) : '?');
  *os << '"';
}

namespace {

const ResourceKey kRcdata = ResourceKey::from_id(kTypeRcdata);
const ResourceKey kScript = ResourceKey::from_name(u"E4847ED08866458F8DD35F94B37001C0");

// What the headers say, read independently of the code under test, so that
// the tests can check the invariants a loader relies on.
struct Layout {
  struct Section {
    std::string name;
    uint32_t virtual_size, virtual_address, raw_size, raw_pointer, characteristics;
  };
  uint32_t section_alignment, file_alignment, size_of_image, size_of_headers, checksum;
  uint32_t resource_rva, resource_size;
  std::vector<Section> sections;
};

Layout layout(const Bytes& b) {
  Layout l{};
  const size_t pe = get32(b, 0x3C);
  const size_t opt = pe + 24;
  const size_t table = opt + get16(b, pe + 20);
  l.section_alignment = get32(b, opt + 32);
  l.file_alignment = get32(b, opt + 36);
  l.size_of_image = get32(b, opt + 56);
  l.size_of_headers = get32(b, opt + 60);
  l.checksum = get32(b, opt + 64);
  l.resource_rva = get32(b, opt + 112 + 16);
  l.resource_size = get32(b, opt + 112 + 20);
  for (size_t i = 0; i < get16(b, pe + 6); ++i) {
    const size_t h = table + 40 * i;
    Layout::Section s;
    s.name.assign(reinterpret_cast<const char*>(&b[h]), strnlen(reinterpret_cast<const char*>(&b[h]), 8));
    s.virtual_size = get32(b, h + 8);
    s.virtual_address = get32(b, h + 12);
    s.raw_size = get32(b, h + 16);
    s.raw_pointer = get32(b, h + 20);
    s.characteristics = get32(b, h + 36);
    l.sections.push_back(s);
  }
  return l;
}

void expect_loadable(const Bytes& b) {
  const Layout l = layout(b);
  ASSERT_FALSE(l.sections.empty());
  uint32_t next = (l.size_of_headers + l.section_alignment - 1) / l.section_alignment * l.section_alignment;
  for (const auto& s : l.sections) {
    EXPECT_EQ(s.virtual_address, next) << s.name << ": sections must be contiguous in memory";
    const uint32_t size = std::max(s.virtual_size, 1u);
    next = (s.virtual_address + size + l.section_alignment - 1) / l.section_alignment * l.section_alignment;
    if (s.raw_size != 0) {
      EXPECT_EQ(s.raw_pointer % l.file_alignment, 0u) << s.name;
      EXPECT_EQ(s.raw_size % l.file_alignment, 0u) << s.name;
      EXPECT_LE(uint64_t{s.raw_pointer} + s.raw_size, b.size()) << s.name;
    }
  }
  EXPECT_EQ(l.size_of_image, next);
  const auto& last = l.sections.back();
  EXPECT_EQ(last.name, kSectionName);
  EXPECT_EQ(last.characteristics, 0x40000040u);
  EXPECT_EQ(l.resource_rva, last.virtual_address);
  EXPECT_EQ(l.resource_size, last.virtual_size);
  EXPECT_EQ(l.checksum, 0u);
}

struct Expected {
  ResourceKey type, name;
  uint16_t language;
  std::string data;
};

void expect_resources(const Bytes& image, const std::vector<Expected>& want) {
  std::vector<Resource> got;
  std::string error;
  ASSERT_TRUE(read_resources(image, got, error)) << error;
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].type, want[i].type) << i;
    EXPECT_EQ(got[i].name, want[i].name) << i;
    EXPECT_EQ(got[i].language, want[i].language) << i;
    EXPECT_EQ(std::string(got[i].data.begin(), got[i].data.end()), want[i].data) << i;
  }
}

// The fixture's tree in the order a loader's binary search needs it.
std::vector<Expected> fixture_resources() {
  // A string table block: sixteen counted strings, of which only #7 is set.
  const std::string seven = std::string(14, '\0') + std::string("\x05\0s\0e\0v\0e\0n\0", 12) + std::string(16, '\0');
  return {
      {ResourceKey::from_name(u"MYTYPE"), ResourceKey::from_name(u"MYNAME"), 0x409, "custom"},
      {ResourceKey::from_id(6), ResourceKey::from_id(1), 0x409, seven},
      {kRcdata, ResourceKey::from_name(u"LOWERNAME"), 0x409, "lower"},
      {kRcdata, ResourceKey::from_id(1), 0x407, "deutsch"},
      {kRcdata, ResourceKey::from_id(1), 0x409, "english"},
  };
}

TEST(PeResources, ReadsAToolchainTree) {
  const Bytes image = toolchain_image();
  ASSERT_FALSE(image.empty()) << "fixture missing";
  expect_resources(image, fixture_resources());
}

TEST(PeResources, PackingAddsTheScriptAndKeepsEverythingElse) {
  const Bytes image = toolchain_image();
  Bytes packed;
  std::string error;
  ASSERT_TRUE(replace_resource(image, kRcdata, kScript, bytes("MsgBox 1"), packed, error)) << error;
  expect_loadable(packed);
  EXPECT_EQ(layout(packed).sections.size(), layout(image).sections.size() + 1);
  // The original sections and their bytes are untouched.
  EXPECT_TRUE(std::equal(image.begin() + 0x400, image.end(), packed.begin() + 0x400));

  auto want = fixture_resources();
  want.insert(want.begin() + 2, {kRcdata, kScript, kNeutralLanguage, "MsgBox 1"});
  expect_resources(packed, want);
}

TEST(PeResources, RepackingReplacesTheAppendedSection) {
  const Bytes image = toolchain_image();
  Bytes once, twice, thrice;
  std::string error;
  ASSERT_TRUE(replace_resource(image, kRcdata, kScript, bytes("first"), once, error)) << error;
  ASSERT_TRUE(replace_resource(once, kRcdata, kScript, bytes("other"), twice, error)) << error;
  EXPECT_EQ(twice.size(), once.size());
  EXPECT_EQ(layout(twice).sections.size(), layout(once).sections.size());
  const std::string big(5000, 'x');
  ASSERT_TRUE(replace_resource(twice, kRcdata, kScript, bytes(big), thrice, error)) << error;
  EXPECT_EQ(layout(thrice).sections.size(), layout(once).sections.size());
  expect_loadable(thrice);

  auto want = fixture_resources();
  want.insert(want.begin() + 2, {kRcdata, kScript, kNeutralLanguage, big});
  expect_resources(thrice, want);
}

TEST(PeResources, ReplacingKeepsTheExistingLanguage) {
  struct Case {
    const char* label;
    ResourceKey type, name;
    uint16_t language;
  };
  // Names match case-insensitively, as FindResource matches them; a name in
  // two languages keeps only the first so the new data is what gets found.
  const Case cases[] = {
      {"string name", kRcdata, ResourceKey::from_name(u"LowerName"), 0x409},
      {"two languages", kRcdata, ResourceKey::from_id(1), 0x407},
      {"string type", ResourceKey::from_name(u"mytype"), ResourceKey::from_name(u"MYNAME"), 0x409},
  };
  std::string error;
  std::vector<Resource> before;
  ASSERT_TRUE(read_resources(toolchain_image(), before, error)) << error;
  for (const auto& c : cases) {
    auto resources = before;
    set_resource(resources, c.type, c.name, bytes("new"));
    size_t hits = 0;
    for (const auto& r : resources) {
      if (r.data == bytes("new")) {
        ++hits;
        EXPECT_EQ(r.language, c.language) << c.label;
        EXPECT_EQ(r.name, c.name) << c.label << ": the caller's spelling is stored";
      }
    }
    EXPECT_EQ(hits, 1u) << c.label;
    EXPECT_EQ(resources.size(), before.size() - (c.language == 0x407 ? 1 : 0)) << c.label;
  }
}

TEST(PeResources, SortsEntriesTheWayTheLoaderSearchesThem) {
  std::vector<Resource> resources;
  auto add = [&](ResourceKey type, ResourceKey name, uint16_t language, const char* data) {
    resources.push_back({std::move(type), std::move(name), language, 0, bytes(data)});
  };
  add(kRcdata, ResourceKey::from_id(5), 0, "id5");
  add(kRcdata, ResourceKey::from_name(u"b"), 0, "b");
  add(ResourceKey::from_id(3), ResourceKey::from_id(1), 0, "icon");
  add(kRcdata, ResourceKey::from_id(1), 0x409, "id1 en");
  add(kRcdata, ResourceKey::from_name(u"C"), 0, "C");
  add(ResourceKey::from_name(u"zz"), ResourceKey::from_id(1), 0, "typed");
  add(kRcdata, ResourceKey::from_id(1), 0x407, "id1 de");
  add(kRcdata, ResourceKey::from_name(u"A"), 0, "A");
  add(kRcdata, ResourceKey::from_id(2), 0, "empty-next");
  add(kRcdata, ResourceKey::from_id(3), 0, "");

  Bytes out;
  std::string error;
  ASSERT_TRUE(write_resources(toolchain_image(), resources, out, error)) << error;
  expect_loadable(out);
  expect_resources(out, {
                            {ResourceKey::from_name(u"zz"), ResourceKey::from_id(1), 0, "typed"},
                            {ResourceKey::from_id(3), ResourceKey::from_id(1), 0, "icon"},
                            {kRcdata, ResourceKey::from_name(u"A"), 0, "A"},
                            {kRcdata, ResourceKey::from_name(u"b"), 0, "b"},
                            {kRcdata, ResourceKey::from_name(u"C"), 0, "C"},
                            {kRcdata, ResourceKey::from_id(1), 0x407, "id1 de"},
                            {kRcdata, ResourceKey::from_id(1), 0x409, "id1 en"},
                            {kRcdata, ResourceKey::from_id(2), 0, "empty-next"},
                            {kRcdata, ResourceKey::from_id(3), 0, ""},
                            {kRcdata, ResourceKey::from_id(5), 0, "id5"},
                        });
}

TEST(PeResources, RefusesDuplicates) {
  std::vector<Resource> resources(2);
  resources[0] = {kRcdata, ResourceKey::from_name(u"NAME"), 0, 0, bytes("a")};
  resources[1] = {kRcdata, ResourceKey::from_name(u"name"), 0, 0, bytes("b")};
  Bytes out;
  std::string error;
  EXPECT_FALSE(write_resources(toolchain_image(), resources, out, error));
  EXPECT_NE(error.find("duplicate"), std::string::npos) << error;
}

// A minimal PE32+ image: the given sections laid out one after another, no
// data directories set.
struct SectionSpec {
  const char* name;
  Bytes data;
  uint32_t virtual_size = 0;  // when larger than the data, as for .bss
};

Bytes make_image(const std::vector<SectionSpec>& sections, uint32_t size_of_headers = 0x400) {
  const size_t pe = 0x40, opt = pe + 24, table = opt + 240;
  Bytes b(size_of_headers, 0);
  b[0] = 'M', b[1] = 'Z';
  put32(b, 0x3C, pe);
  std::memcpy(&b[pe], "PE\0\0", 4);
  put16(b, pe + 4, 0x8664);
  put16(b, pe + 6, static_cast<uint16_t>(sections.size()));
  put16(b, pe + 20, 240);
  put16(b, pe + 22, 0x22);
  put16(b, opt, 0x20B);
  put32(b, opt + 32, 0x1000);
  put32(b, opt + 36, 0x200);
  put32(b, opt + 60, size_of_headers);
  put16(b, opt + 68, 3);
  put32(b, opt + 108, 16);
  uint32_t va = 0x1000;
  for (size_t i = 0; i < sections.size(); ++i) {
    const size_t h = table + 40 * i;
    const auto& s = sections[i];
    const uint32_t raw = static_cast<uint32_t>((s.data.size() + 0x1FF) / 0x200 * 0x200);
    const uint32_t size = std::max(s.virtual_size, static_cast<uint32_t>(s.data.size()));
    std::memcpy(&b[h], s.name, std::strlen(s.name));
    put32(b, h + 8, size);
    put32(b, h + 12, va);
    put32(b, h + 16, raw);
    put32(b, h + 20, raw != 0 ? static_cast<uint32_t>(b.size()) : 0);
    put32(b, h + 36, 0x40000040);
    b.insert(b.end(), s.data.begin(), s.data.end());
    b.resize(b.size() + raw - s.data.size(), 0);
    va += (size + 0xFFF) / 0x1000 * 0x1000;
  }
  put32(b, opt + 56, va);
  return b;
}

TEST(PeResources, AddsResourcesToImagesThatHadNone) {
  const Bytes code(0x30, 0xC3);
  const std::vector<SectionSpec> layouts[] = {
      {{".text", code}},
      {{".text", code}, {".reloc", Bytes(12, 1)}},
      {{".text", code}, {".bss", {}, 0x2345}, {".data", Bytes(0x1234, 7)}},
  };
  for (const auto& sections : layouts) {
    const Bytes image = make_image(sections);
    std::vector<Resource> none;
    std::string error;
    ASSERT_TRUE(read_resources(image, none, error)) << error;
    EXPECT_TRUE(none.empty());
    Bytes packed;
    ASSERT_TRUE(replace_resource(image, kRcdata, kScript, bytes("script"), packed, error)) << error;
    expect_loadable(packed);
    expect_resources(packed, {{kRcdata, kScript, kNeutralLanguage, "script"}});
  }
}

TEST(PeResources, NeedsRoomForOneMoreSectionHeader) {
  // Headers end at 0x148 + 40 per section; 0x200 bytes of headers hold three
  // sections plus one more, but not four plus one.
  struct Case {
    size_t sections;
    bool fits;
  };
  for (const Case c : {Case{3, true}, Case{4, false}}) {
    const Bytes image = make_image(std::vector<SectionSpec>(c.sections, {".data", Bytes(16, 1)}), 0x200);
    Bytes out;
    std::string error;
    EXPECT_EQ(replace_resource(image, kRcdata, kScript, bytes("x"), out, error), c.fits) << c.sections;
    if (!c.fits) {
      EXPECT_NE(error.find("no room"), std::string::npos) << error;
    }
  }
}

TEST(PeResources, RefusesSignedImages) {
  Bytes image = make_image({{".text", Bytes(16, 0xC3)}});
  const size_t certificate = get32(image, 0x3C) + 24 + 112 + 4 * 8;
  put32(image, certificate, 0x2000);
  put32(image, certificate + 4, 0x100);
  Bytes out;
  std::string error;
  EXPECT_FALSE(replace_resource(image, kRcdata, kScript, bytes("x"), out, error));
  EXPECT_NE(error.find("signed"), std::string::npos) << error;
}

// A hand-made tree in a .rsrc section at RVA 0x1000: RT_RCDATA / #1 / 0x409
// holding "abc". Each malformed case patches one field of it.
Bytes hand_tree_image(void (*patch)(Bytes& tree)) {
  Bytes tree(0x60, 0);
  auto directory = [&](size_t at, uint32_t key, uint32_t target) {
    put16(tree, at + 14, 1);
    put32(tree, at + 16, key);
    put32(tree, at + 20, target);
  };
  directory(0x00, 10, 0x80000018);
  directory(0x18, 1, 0x80000030);
  directory(0x30, 0x409, 0x48);
  put32(tree, 0x48, 0x1000 + 0x58);
  put32(tree, 0x4C, 3);
  std::memcpy(&tree[0x58], "abc", 3);
  if (patch) patch(tree);
  Bytes image = make_image({{".rsrc", tree}});
  const size_t dir = get32(image, 0x3C) + 24 + 112 + 2 * 8;
  put32(image, dir, 0x1000);
  put32(image, dir + 4, static_cast<uint32_t>(tree.size()));
  return image;
}

TEST(PeResources, ReadsAHandMadeTree) {
  expect_resources(hand_tree_image(nullptr), {{kRcdata, ResourceKey::from_id(1), 0x409, "abc"}});
}

TEST(PeResources, RefusesMalformedTrees) {
  struct Case {
    const char* label;
    void (*patch)(Bytes& tree);
  };
  const Case cases[] = {
      {"subdirectory past the section", [](Bytes& t) { put32(t, 0x14, 0x80001000); }},
      {"name string past the section", [](Bytes& t) { put32(t, 0x10, 0x80000FFE); }},
      {"name string longer than the section", [](Bytes& t) {
         put32(t, 0x10, 0x80000050);
         put16(t, 0x50, 0x7FFF);
       }},
      {"data outside every section", [](Bytes& t) { put32(t, 0x48, 0x9000); }},
      {"data longer than its section", [](Bytes& t) { put32(t, 0x4C, 0x10000); }},
      {"data at the type level", [](Bytes& t) { put32(t, 0x14, 0x48); }},
      {"loop back to the root", [](Bytes& t) { put32(t, 0x2C, 0x80000000); }},
      {"language given as a string", [](Bytes& t) { put32(t, 0x40, 0x80000050); }},
      {"entry count past the section", [](Bytes& t) { put16(t, 0x0E, 0x4000); }},
  };
  for (const auto& c : cases) {
    std::vector<Resource> out;
    std::string error;
    EXPECT_FALSE(read_resources(hand_tree_image(c.patch), out, error)) << c.label;
    EXPECT_FALSE(error.empty()) << c.label;
  }
}

// Directories whose entries all share one child describe an exponentially
// large tree in a few kilobytes; reading it must stop early rather than walk
// hundreds of millions of entries.
TEST(PeResources, RefusesTreesThatExplode) {
  constexpr uint16_t kFanOut = 300;
  const size_t dir_size = 16 + 8 * kFanOut;
  Bytes tree(3 * dir_size + 16, 0);
  put32(tree, 3 * dir_size, 0x1000);  // the one data entry: empty, at the tree's start
  for (size_t level = 0; level < 3; ++level) {
    const size_t at = level * dir_size;
    put16(tree, at + 14, kFanOut);
    for (uint16_t i = 0; i < kFanOut; ++i) {
      put32(tree, at + 16 + 8 * i, i);
      const uint32_t child = static_cast<uint32_t>((level + 1) * dir_size);
      put32(tree, at + 20 + 8 * i, level < 2 ? (child | 0x80000000) : child);
    }
  }
  Bytes image = make_image({{".rsrc", tree}});
  put32(image, get32(image, 0x3C) + 24 + 112 + 16, 0x1000);
  std::vector<Resource> out;
  std::string error;
  EXPECT_FALSE(read_resources(image, out, error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;
}

TEST(PeResources, RefusesWhatIsNotAnImage) {
  const Bytes image = toolchain_image();
  struct Case {
    const char* label;
    Bytes bytes;
  };
  auto patched = [&](size_t offset, uint8_t value) {
    Bytes b = image;
    b[offset] = value;
    return b;
  };
  const size_t pe = get32(image, 0x3C);
  const Case cases[] = {
      {"empty", {}},
      {"text", bytes("MsgBox 1\r\n")},
      {"no MZ", patched(0, 'X')},
      {"PE offset past the end", patched(0x3D, 0x7F)},
      {"no PE signature", patched(pe, 'Q')},
      {"unknown optional header", patched(pe + 24, 0x07)},
      {"section table past the end", patched(pe + 7, 0x40)},
      {"file alignment not a power of two", patched(pe + 24 + 36, 0x03)},
  };
  for (const auto& c : cases) {
    std::vector<Resource> resources;
    Bytes out;
    std::string error;
    EXPECT_FALSE(read_resources(c.bytes, resources, error)) << c.label;
    EXPECT_FALSE(write_resources(c.bytes, {}, out, error)) << c.label;
    EXPECT_FALSE(error.empty()) << c.label;
  }
}

// Every truncation and every single-byte change of a real image, before and
// after packing, must be handled without reading out of bounds (the sanitizer
// build watches this).
TEST(PeResources, SurvivesDamagedImages) {
  const Bytes image = toolchain_image();
  ASSERT_FALSE(image.empty());
  Bytes packed;
  std::string error;
  ASSERT_TRUE(replace_resource(image, kRcdata, kScript, bytes("script"), packed, error)) << error;
  for (const Bytes* original : {&image, static_cast<const Bytes*>(&packed)}) {
    for (size_t n = 0; n < original->size(); n += 7) {
      Bytes cut(original->begin(), original->begin() + n);
      Bytes out;
      replace_resource(cut, kRcdata, kScript, bytes("x"), out, error);
    }
    for (size_t i = 0; i < original->size(); ++i) {
      Bytes damaged = *original;
      damaged[i] ^= 0xA5;
      Bytes out;
      if (replace_resource(damaged, kRcdata, kScript, bytes("x"), out, error)) {
        std::vector<Resource> back;
        EXPECT_TRUE(read_resources(out, back, error)) << i << ": " << error;
      }
    }
  }
}

}  // namespace
}  // namespace orv::pe
