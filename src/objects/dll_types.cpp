#include "objects/dll_types.h"

namespace orv {

namespace {

struct TypeName {
  StringView name;
  char16_t letter;
  DllTypeCode code;
};

constexpr TypeName kTypes[] = {
    {u"AStr", u'A', DllTypeCode::AStr},   {u"Int", u'I', DllTypeCode::Int},
    {u"Short", u'H', DllTypeCode::Short}, {u"Char", u'C', DllTypeCode::Char},
    {u"Int64", u'6', DllTypeCode::Int64}, {u"Ptr", u'T', DllTypeCode::Int64},
    {u"Float", u'F', DllTypeCode::Float}, {u"Double", u'D', DllTypeCode::Double},
    {u"Str", u'S', DllTypeCode::Str},     {u"WStr", u'W', DllTypeCode::Str},
};

// Names longer than this never match: they are read into a buffer that size.
constexpr size_t kMaxTypeName = 31;

}  // namespace

bool parse_dll_type(StringView name, DllType& out) {
  out = DllType{};
  if (name.size() > kMaxTypeName) return false;
  name = trim(name);
  if (name.size() >= 2) {
    char16_t last = name.back();
    if (last == u'*' || last == u'p' || last == u'P') {
      out.by_address = true;
      name = trim_right(name.substr(0, name.size() - 1));
    }
  }
  if (!name.empty() && (name[0] == u'U' || name[0] == u'u')) {
    // "UInt" is unsigned Int; a lone "U" is no type.
    out.is_unsigned = true;
    name.remove_prefix(1);
  }
  if (name.empty()) return false;
  for (const TypeName& t : kTypes) {
    bool letter = name.size() == 1 && (name[0] == t.letter || name[0] == (t.letter | 0x20));
    if (letter || equals_ignore_case(name, t.name)) {
      out.code = t.code;
      return true;
    }
  }
  return false;
}

bool parse_number_type(StringView name, NumberType& out) {
  if (name.empty()) return false;
  NumberType t;
  size_t i = 0;
  if (upper_case(name[0]) == u'U' && name.size() > 1) {
    t.is_unsigned = true;
    i = 1;
  }
  switch (upper_case(name[i])) {
    case u'C': t.size = 1; break;
    case u'S': t.size = 2; break;
    case u'I': t.size = name.find(u'6') != StringView::npos ? 8 : 4; break;
    case u'P': t.size = 8; break;
    case u'F': t.size = 4, t.is_float = true; break;
    case u'D': t.size = 8, t.is_float = true; break;
    default: return false;
  }
  out = t;
  return true;
}

}  // namespace orv
