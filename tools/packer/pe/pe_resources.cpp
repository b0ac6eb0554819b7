#include "pe/pe_resources.h"

#include <algorithm>
#include <cstring>

namespace orv::pe {
namespace {

constexpr size_t kSectionHeaderSize = 40;
constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kCertificateDirectory = 4;
constexpr uint32_t kScnInitializedData = 0x00000040;
constexpr uint32_t kScnMemRead = 0x40000000;
constexpr uint32_t kSubdirectoryFlag = 0x80000000;
// A real tree has a few hundred entries; the cap stops a crafted one whose
// directories share children from being walked exponentially.
constexpr size_t kMaxEntries = 1 << 16;

uint16_t get16(const std::vector<uint8_t>& b, size_t off) { return static_cast<uint16_t>(b[off] | (b[off + 1] << 8)); }
uint32_t get32(const std::vector<uint8_t>& b, size_t off) {
  return uint32_t{b[off]} | (uint32_t{b[off + 1]} << 8) | (uint32_t{b[off + 2]} << 16) | (uint32_t{b[off + 3]} << 24);
}
void put16(std::vector<uint8_t>& b, size_t off, uint16_t v) {
  b[off] = static_cast<uint8_t>(v);
  b[off + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(std::vector<uint8_t>& b, size_t off, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[off + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint64_t align_up(uint64_t v, uint32_t a) { return (v + a - 1) / a * a; }
bool is_power_of_two(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

struct Section {
  size_t header;  // file offset of the section header
  char name[8];
  uint32_t virtual_size, virtual_address, raw_size, raw_pointer;
  uint32_t memory_size() const { return virtual_size != 0 ? virtual_size : raw_size; }
  uint32_t memory_end() const { return virtual_address + memory_size(); }
  // The loader maps the virtual extent and fills it from at most raw_size
  // file bytes; the rest reads as zeros, which no resource should rely on.
  uint32_t file_backed() const { return std::min(raw_size, memory_size()); }
  bool contains(uint32_t rva) const { return rva >= virtual_address && rva < memory_end(); }
};

struct Image {
  size_t file_header = 0;      // COFF file header, right after "PE\0\0"
  size_t optional_header = 0;
  size_t directories = 0;      // data directory array
  uint32_t directory_count = 0;
  size_t section_table = 0;
  uint32_t section_alignment = 0, file_alignment = 0, size_of_headers = 0;
  std::vector<Section> sections;

  size_t size_of_initialized_data() const { return optional_header + 8; }
  size_t size_of_image() const { return optional_header + 56; }
  size_t checksum() const { return optional_header + 64; }
  size_t directory(uint32_t index) const { return directories + 8 * size_t{index}; }
};

bool parse_image(const std::vector<uint8_t>& b, Image& img, std::string& error) {
  if (b.size() < 64 || b[0] != 'M' || b[1] != 'Z') {
    error = "not a PE image (no MZ header)";
    return false;
  }
  const uint64_t pe = get32(b, 0x3C);
  if (pe + 24 > b.size() || std::memcmp(&b[pe], "PE\0\0", 4) != 0) {
    error = "not a PE image (no PE signature)";
    return false;
  }
  img.file_header = pe + 4;
  const uint16_t section_count = get16(b, img.file_header + 2);
  const uint16_t optional_size = get16(b, img.file_header + 16);
  img.optional_header = img.file_header + 20;
  img.section_table = img.optional_header + optional_size;
  if (img.section_table + uint64_t{section_count} * kSectionHeaderSize > b.size() || optional_size < 2) {
    error = "truncated PE headers";
    return false;
  }
  const uint16_t magic = get16(b, img.optional_header);
  size_t count_field;
  if (magic == 0x20B) {
    count_field = 108;
  } else if (magic == 0x10B) {
    count_field = 92;
  } else {
    error = "unknown optional header kind";
    return false;
  }
  if (optional_size < count_field + 4) {
    error = "truncated optional header";
    return false;
  }
  img.directory_count = get32(b, img.optional_header + count_field);
  img.directories = img.optional_header + count_field + 4;
  const uint64_t usable = (optional_size - count_field - 4) / 8;
  if (img.directory_count > usable) img.directory_count = static_cast<uint32_t>(usable);
  if (img.directory_count <= kResourceDirectory) {
    error = "the image has no slot for a resource directory";
    return false;
  }
  img.section_alignment = get32(b, img.optional_header + 32);
  img.file_alignment = get32(b, img.optional_header + 36);
  img.size_of_headers = get32(b, img.optional_header + 60);
  if (!is_power_of_two(img.section_alignment) || !is_power_of_two(img.file_alignment)) {
    error = "bad section or file alignment";
    return false;
  }
  img.sections.clear();
  for (size_t i = 0; i < section_count; ++i) {
    Section s;
    s.header = img.section_table + i * kSectionHeaderSize;
    std::memcpy(s.name, &b[s.header], 8);
    s.virtual_size = get32(b, s.header + 8);
    s.virtual_address = get32(b, s.header + 12);
    s.raw_size = get32(b, s.header + 16);
    s.raw_pointer = get32(b, s.header + 20);
    if (uint64_t{s.virtual_address} + std::max(s.virtual_size, s.raw_size) > UINT32_MAX) {
      error = "section extends past the address space";
      return false;
    }
    img.sections.push_back(s);
  }
  return true;
}

// File offset of [rva, rva + size) when it lies within one section's raw data.
bool rva_to_offset(const std::vector<uint8_t>& b, const Image& img, uint32_t rva, uint32_t size, size_t& offset) {
  for (const Section& s : img.sections) {
    if (!s.contains(rva)) continue;
    const uint64_t rel = rva - s.virtual_address;
    if (rel + size > s.file_backed()) return false;
    const uint64_t off = uint64_t{s.raw_pointer} + rel;
    if (off + size > b.size()) return false;
    offset = static_cast<size_t>(off);
    return true;
  }
  return false;
}

class TreeReader {
 public:
  TreeReader(const std::vector<uint8_t>& b, const Image& img, size_t base, size_t limit)
      : b_(b), img_(img), base_(base), limit_(limit) {}

  bool read(std::vector<Resource>& out, std::string& error) {
    Resource scratch;
    if (!read_directory(0, 0, scratch, out)) {
      error = error_;
      return false;
    }
    return true;
  }

 private:
  bool fail(const char* message) {
    error_ = message;
    return false;
  }

  // Offsets in the tree are relative to its root and must stay inside the
  // section that holds the root.
  bool in_tree(uint64_t rel, uint64_t size) const { return base_ + rel + size <= limit_; }

  bool read_key(uint32_t field, ResourceKey& key) {
    if (!(field & kSubdirectoryFlag)) {
      key = ResourceKey::from_id(static_cast<uint16_t>(field));
      return true;
    }
    const uint32_t rel = field & ~kSubdirectoryFlag;
    if (!in_tree(rel, 2)) return fail("resource name outside the resource section");
    const uint16_t length = get16(b_, base_ + rel);
    if (!in_tree(rel + 2, 2 * uint64_t{length})) return fail("resource name outside the resource section");
    key = ResourceKey::from_name({});
    key.name.resize(length);
    for (size_t i = 0; i < length; ++i) key.name[i] = static_cast<char16_t>(get16(b_, base_ + rel + 2 + 2 * i));
    return true;
  }

  bool read_directory(uint32_t rel, int level, Resource& path, std::vector<Resource>& out) {
    if (!in_tree(rel, 16)) return fail("resource directory outside the resource section");
    const size_t dir = base_ + rel;
    const size_t count = size_t{get16(b_, dir + 12)} + get16(b_, dir + 14);
    if (!in_tree(rel + 16, 8 * uint64_t{count})) return fail("resource directory outside the resource section");
    for (size_t i = 0; i < count; ++i) {
      if (++entries_ > kMaxEntries) return fail("resource tree too large");
      const size_t entry = dir + 16 + 8 * i;
      const uint32_t key_field = get32(b_, entry);
      const uint32_t target = get32(b_, entry + 4);
      const bool is_directory = (target & kSubdirectoryFlag) != 0;
      if (is_directory != (level < 2)) return fail("unexpected resource tree shape");
      if (level == 0) {
        if (!read_key(key_field, path.type)) return false;
      } else if (level == 1) {
        if (!read_key(key_field, path.name)) return false;
      } else {
        if (key_field & kSubdirectoryFlag) return fail("resource language given as a string");
        path.language = static_cast<uint16_t>(key_field);
      }
      if (is_directory) {
        if (!read_directory(target & ~kSubdirectoryFlag, level + 1, path, out)) return false;
      } else if (!read_data(target, path, out)) {
        return false;
      }
    }
    return true;
  }

  bool read_data(uint32_t rel, const Resource& path, std::vector<Resource>& out) {
    if (!in_tree(rel, 16)) return fail("resource data entry outside the resource section");
    const size_t entry = base_ + rel;
    const uint32_t rva = get32(b_, entry);
    const uint32_t size = get32(b_, entry + 4);
    size_t offset = 0;
    if (!rva_to_offset(b_, img_, rva, size, offset)) return fail("resource data outside the image");
    Resource r;
    r.type = path.type;
    r.name = path.name;
    r.language = path.language;
    r.code_page = get32(b_, entry + 8);
    r.data.assign(b_.begin() + offset, b_.begin() + offset + size);
    out.push_back(std::move(r));
    return true;
  }

  const std::vector<uint8_t>& b_;
  const Image& img_;
  size_t base_, limit_;
  size_t entries_ = 0;
  std::string error_;
};

bool read_tree(const std::vector<uint8_t>& b, const Image& img, std::vector<Resource>& out, std::string& error) {
  out.clear();
  const uint32_t rva = get32(b, img.directory(kResourceDirectory));
  if (rva == 0) return true;
  for (const Section& s : img.sections) {
    if (!s.contains(rva)) continue;
    const uint64_t end = std::min<uint64_t>(uint64_t{s.raw_pointer} + s.file_backed(), b.size());
    const uint64_t base = uint64_t{s.raw_pointer} + (rva - s.virtual_address);
    if (base >= end) break;
    return TreeReader(b, img, static_cast<size_t>(base), static_cast<size_t>(end)).read(out, error);
  }
  error = "resource directory outside every section";
  return false;
}

// Windows looks string names up by binary search over their upper-cased form.
// Only ASCII is folded: the names this writer adds are ASCII, and other
// names keep the relative order their tool gave them when nothing differs
// in ASCII.
char16_t fold(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

int compare_names(const std::u16string& a, const std::u16string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t x = fold(a[i]), y = fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return 0;
}

// Named entries first, then IDs ascending, as the loader's search expects.
int compare_keys(const ResourceKey& a, const ResourceKey& b) {
  if (a.is_string != b.is_string) return a.is_string ? -1 : 1;
  if (a.is_string) return compare_names(a.name, b.name);
  return a.id == b.id ? 0 : (a.id < b.id ? -1 : 1);
}

bool same_key(const ResourceKey& a, const ResourceKey& b) { return compare_keys(a, b) == 0; }

struct NameGroup {
  const ResourceKey* name;
  std::vector<const Resource*> languages;
};
struct TypeGroup {
  const ResourceKey* type;
  std::vector<NameGroup> names;
};

// Lays the tree out as resource compilers do: all directories, then the data
// entries, then the name strings, then the data itself, 8-aligned.
bool serialize_tree(const std::vector<Resource>& resources, uint32_t section_rva, std::vector<uint8_t>& out,
                    std::string& error) {
  std::vector<const Resource*> sorted;
  for (const Resource& r : resources) sorted.push_back(&r);
  std::stable_sort(sorted.begin(), sorted.end(), [](const Resource* a, const Resource* b) {
    if (int c = compare_keys(a->type, b->type)) return c < 0;
    if (int c = compare_keys(a->name, b->name)) return c < 0;
    return a->language < b->language;
  });
  // Directory counts and name lengths are 16-bit fields.
  auto too_long = [](const ResourceKey& k) { return k.is_string && k.name.size() > 0xFFFF; };
  std::vector<TypeGroup> types;
  for (const Resource* r : sorted) {
    if (too_long(r->type) || too_long(r->name)) {
      error = "resource name too long";
      return false;
    }
    if (types.empty() || !same_key(*types.back().type, r->type)) types.push_back({&r->type, {}});
    auto& names = types.back().names;
    if (names.empty() || !same_key(*names.back().name, r->name)) names.push_back({&r->name, {}});
    auto& langs = names.back().languages;
    if (!langs.empty() && langs.back()->language == r->language) {
      error = "duplicate resource";
      return false;
    }
    langs.push_back(r);
    if (types.size() > 0xFFFF || names.size() > 0xFFFF || langs.size() > 0xFFFF) {
      error = "too many resources";
      return false;
    }
  }

  auto directory_size = [](size_t entries) { return 16 + 8 * uint64_t{entries}; };
  uint64_t cursor = directory_size(types.size());
  for (const auto& t : types) {
    cursor += directory_size(t.names.size());
    for (const auto& n : t.names) cursor += directory_size(n.languages.size());
  }
  const uint64_t data_entries = cursor;
  cursor += 16 * uint64_t{resources.size()};
  uint64_t strings_size = 0;
  for (const auto& t : types) {
    if (t.type->is_string) strings_size += 2 + 2 * uint64_t{t.type->name.size()};
    for (const auto& n : t.names)
      if (n.name->is_string) strings_size += 2 + 2 * uint64_t{n.name->name.size()};
  }
  uint64_t total = align_up(cursor + strings_size, 8);
  for (const Resource& r : resources) total = align_up(total + r.data.size(), 8);
  // Offsets inside the tree carry a flag in their top bit, and RVAs must fit
  // in 32 bits; anything near either limit is not an image worth writing.
  if (total >= kSubdirectoryFlag || uint64_t{section_rva} + total > UINT32_MAX) {
    error = "resources too large";
    return false;
  }
  out.assign(static_cast<size_t>(total), 0);

  size_t strings = static_cast<size_t>(cursor);
  size_t data = static_cast<size_t>(align_up(cursor + strings_size, 8));
  size_t next_entry = static_cast<size_t>(data_entries);
  size_t next_directory = 0;

  auto write_string = [&](const std::u16string& s) {
    const size_t at = strings;
    put16(out, at, static_cast<uint16_t>(s.size()));
    for (size_t i = 0; i < s.size(); ++i) put16(out, at + 2 + 2 * i, s[i]);
    strings += 2 + 2 * s.size();
    return static_cast<uint32_t>(at) | kSubdirectoryFlag;
  };
  auto key_field = [&](const ResourceKey& k) { return k.is_string ? write_string(k.name) : uint32_t{k.id}; };
  // Reserves a directory and returns its offset; entries are filled in later.
  auto open_directory = [&](size_t named, size_t ids) {
    const size_t at = next_directory;
    put16(out, at + 12, static_cast<uint16_t>(named));
    put16(out, at + 14, static_cast<uint16_t>(ids));
    next_directory += static_cast<size_t>(directory_size(named + ids));
    return at;
  };
  auto named_types = static_cast<size_t>(
      std::count_if(types.begin(), types.end(), [](const TypeGroup& g) { return g.type->is_string; }));
  const size_t root = open_directory(named_types, types.size() - named_types);
  std::vector<size_t> type_dirs;
  for (size_t i = 0; i < types.size(); ++i) {
    const auto& t = types[i];
    const auto named = static_cast<size_t>(
        std::count_if(t.names.begin(), t.names.end(), [](const NameGroup& g) { return g.name->is_string; }));
    const size_t dir = open_directory(named, t.names.size() - named);
    type_dirs.push_back(dir);
    put32(out, root + 16 + 8 * i, key_field(*t.type));
    put32(out, root + 16 + 8 * i + 4, static_cast<uint32_t>(dir) | kSubdirectoryFlag);
  }
  for (size_t i = 0; i < types.size(); ++i) {
    for (size_t j = 0; j < types[i].names.size(); ++j) {
      const auto& n = types[i].names[j];
      const size_t dir = open_directory(0, n.languages.size());
      put32(out, type_dirs[i] + 16 + 8 * j, key_field(*n.name));
      put32(out, type_dirs[i] + 16 + 8 * j + 4, static_cast<uint32_t>(dir) | kSubdirectoryFlag);
      for (size_t k = 0; k < n.languages.size(); ++k) {
        const Resource& r = *n.languages[k];
        put32(out, dir + 16 + 8 * k, r.language);
        put32(out, dir + 16 + 8 * k + 4, static_cast<uint32_t>(next_entry));
        put32(out, next_entry, section_rva + static_cast<uint32_t>(data));
        put32(out, next_entry + 4, static_cast<uint32_t>(r.data.size()));
        put32(out, next_entry + 8, r.code_page);
        next_entry += 16;
        if (!r.data.empty()) std::memcpy(&out[data], r.data.data(), r.data.size());
        data = static_cast<size_t>(align_up(data + r.data.size(), 8));
      }
    }
  }
  return true;
}

bool is_our_section(const Section& s) { return std::memcmp(s.name, kSectionName, 8) == 0; }

}  // namespace

bool read_resources(const std::vector<uint8_t>& image, std::vector<Resource>& out, std::string& error) {
  Image img;
  if (!parse_image(image, img, error)) return false;
  return read_tree(image, img, out, error);
}

void set_resource(std::vector<Resource>& resources, const ResourceKey& type, const ResourceKey& name,
                  std::vector<uint8_t> data) {
  auto matches = [&](const Resource& r) { return same_key(r.type, type) && same_key(r.name, name); };
  uint32_t language = UINT32_MAX;
  for (const Resource& r : resources)
    if (matches(r)) language = std::min<uint32_t>(language, r.language);
  if (language == UINT32_MAX) {
    Resource r;
    r.type = type;
    r.name = name;
    r.language = kNeutralLanguage;
    r.data = std::move(data);
    resources.push_back(std::move(r));
    return;
  }
  bool kept = false;
  std::erase_if(resources, [&](const Resource& r) {
    if (!matches(r)) return false;
    if (kept || r.language != language) return true;
    kept = true;
    return false;
  });
  for (Resource& r : resources) {
    if (matches(r)) {
      // The caller's spelling wins: it is the one the program will ask for.
      r.name = name;
      r.data = std::move(data);
      return;
    }
  }
}

bool write_resources(const std::vector<uint8_t>& image, const std::vector<Resource>& resources,
                     std::vector<uint8_t>& out, std::string& error) {
  Image img;
  if (!parse_image(image, img, error)) return false;
  if (img.directory_count > kCertificateDirectory && get32(image, img.directory(kCertificateDirectory) + 4) != 0) {
    error = "the image is signed; remove its signature first";
    return false;
  }
  out = image;
  uint32_t initialized_data = get32(out, img.size_of_initialized_data());

  // Drop the section a previous run appended, and the file bytes it used when
  // nothing follows them.
  if (!img.sections.empty() && is_our_section(img.sections.back())) {
    const Section& old = img.sections.back();
    std::fill(out.begin() + old.header, out.begin() + old.header + kSectionHeaderSize, 0);
    uint64_t others_end = img.size_of_headers;
    for (size_t i = 0; i + 1 < img.sections.size(); ++i)
      others_end = std::max<uint64_t>(others_end, uint64_t{img.sections[i].raw_pointer} + img.sections[i].raw_size);
    if (old.raw_pointer >= others_end && old.raw_pointer <= out.size() &&
        uint64_t{old.raw_pointer} + old.raw_size >= out.size())
      out.resize(old.raw_pointer);
    initialized_data = initialized_data >= old.raw_size ? initialized_data - old.raw_size : 0;
    img.sections.pop_back();
  }

  const size_t header = img.section_table + img.sections.size() * kSectionHeaderSize;
  uint64_t first_raw = img.size_of_headers;
  for (const Section& s : img.sections)
    if (s.raw_size != 0 && s.raw_pointer != 0) first_raw = std::min<uint64_t>(first_raw, s.raw_pointer);
  const bool slot_free =
      header + kSectionHeaderSize <= first_raw && header + kSectionHeaderSize <= out.size() &&
      std::all_of(out.begin() + header, out.begin() + header + kSectionHeaderSize, [](uint8_t c) { return c == 0; });
  if (!slot_free || img.sections.size() >= 0xFFFF) {
    error = "no room for another section header before the first section";
    return false;
  }

  uint64_t virtual_address = align_up(img.size_of_headers, img.section_alignment);
  for (const Section& s : img.sections)
    virtual_address = std::max<uint64_t>(virtual_address, align_up(s.memory_end(), img.section_alignment));
  if (virtual_address >= UINT32_MAX) {
    error = "no address space left for another section";
    return false;
  }

  std::vector<uint8_t> tree;
  if (!serialize_tree(resources, static_cast<uint32_t>(virtual_address), tree, error)) return false;
  const uint64_t raw_pointer = align_up(out.size(), img.file_alignment);
  const uint64_t raw_size = align_up(tree.size(), img.file_alignment);
  const uint64_t image_size = align_up(virtual_address + tree.size(), img.section_alignment);
  if (raw_pointer + raw_size > UINT32_MAX || image_size > UINT32_MAX) {
    error = "the image would exceed 4 GB";
    return false;
  }
  out.resize(static_cast<size_t>(raw_pointer), 0);
  out.insert(out.end(), tree.begin(), tree.end());
  out.resize(static_cast<size_t>(raw_pointer + raw_size), 0);

  std::memcpy(&out[header], kSectionName, 8);
  put32(out, header + 8, static_cast<uint32_t>(tree.size()));
  put32(out, header + 12, static_cast<uint32_t>(virtual_address));
  put32(out, header + 16, static_cast<uint32_t>(raw_size));
  put32(out, header + 20, static_cast<uint32_t>(raw_pointer));
  put32(out, header + 36, kScnInitializedData | kScnMemRead);

  put16(out, img.file_header + 2, static_cast<uint16_t>(img.sections.size() + 1));
  put32(out, img.size_of_initialized_data(), static_cast<uint32_t>(std::min<uint64_t>(initialized_data + raw_size, UINT32_MAX)));
  put32(out, img.size_of_image(), static_cast<uint32_t>(image_size));
  // The checksum is only verified for drivers and boot images; a stale one
  // would be worse than none.
  put32(out, img.checksum(), 0);
  put32(out, img.directory(kResourceDirectory), static_cast<uint32_t>(virtual_address));
  put32(out, img.directory(kResourceDirectory) + 4, static_cast<uint32_t>(tree.size()));
  return true;
}

bool replace_resource(const std::vector<uint8_t>& image, const ResourceKey& type, const ResourceKey& name,
                      std::vector<uint8_t> data, std::vector<uint8_t>& out, std::string& error) {
  std::vector<Resource> resources;
  if (!read_resources(image, resources, error)) return false;
  set_resource(resources, type, name, std::move(data));
  return write_resources(image, resources, out, error);
}

}  // namespace orv::pe
