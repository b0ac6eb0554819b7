// VarSetCapacity, NumGet and NumPut: scripts reading and writing raw memory,
// either a variable's own buffer or an address they were given.
#include <cstring>

#include "runtime/builtin_functions.h"
#include "objects/dll_types.h"
#include "platform/platform.h"
#include "runtime/evaluator.h"
#include "runtime/numbers.h"
#include "runtime/variable.h"

namespace orv {

namespace {

// An unknown type name reads and writes Int64.
NumberType parse_type(StringView type) {
  NumberType t;
  (void)parse_number_type(type, t);
  return t;
}

// The address the access starts at, or 0 when it would fall outside the
// variable's buffer or below the first 64 KB.
uintptr_t target_address(const ExprToken& where, int64_t offset, int size) {
  if (where.symbol == SymVar && where.var->target().type == VarType::Normal &&
      !(where.var->target().attributes & AttrObject)) {
    Variable& v = where.var->target();
    // A variable holding a number (an address taken earlier) is that
    // address; any other variable stands for its own buffer.
    if (!(v.attributes & (AttrHasInt | AttrHasDouble))) {
      // A variable stands for its buffer.
      if (offset < 0 || uint64_t(offset) + uint64_t(size) > uint64_t(v.capacity_bytes)) return 0;
      v.disable_caching();
      return reinterpret_cast<uintptr_t>(v.text) + uintptr_t(offset);
    }
  }
  if (!platform::foreign_memory_allowed()) return 0;
  uintptr_t base = uintptr_t(token_to_int(where));
  uintptr_t address = base + uintptr_t(offset);
  return address < 0x10000 ? 0 : address;
}

}  // namespace

Result builtin_var_set_capacity(Func&, ExprToken& result, ExprToken* args, int argc) {
  result = int_token(0);
  if (args[0].symbol != SymVar) return ResultDone;
  Variable& v = args[0].var->target();
  if (v.type != VarType::Normal) return ResultDone;
  if (arg_given(args, argc, 1)) {
    int64_t bytes = token_to_int(args[1]);
    if (bytes == -1) {
      // The script wrote into the buffer: take the length up to the first zero.
      v.set_length_after_write();
    } else if (bytes >= 0) {
      if (!v.reserve(size_t(bytes + 1) / 2, true)) return ResultFailed;
      v.disable_caching();
      if (arg_given(args, argc, 2) && bytes > 0) std::memset(v.text, int(token_to_int(args[2]) & 0xFF), size_t(bytes));
    }
  }
  result = int_token(v.capacity_bytes ? int64_t(v.capacity_bytes) - 2 : 0);
  return ResultDone;
}

Result builtin_numget(Func&, ExprToken& result, ExprToken* args, int argc) {
  // NumGet(VarOrAddress [, Offset] [, Type]): a non-numeric second parameter is the type.
  int64_t offset = 0;
  char16_t buf[256];
  StringView type_name = u"Int64";
  if (arg_given(args, argc, 1)) {
    if (token_numeric_type(args[1]) != NumType::NotNumeric) offset = token_to_int(args[1]);
    else type_name = token_to_text(args[1], buf);
  }
  char16_t buf2[256];
  if (arg_given(args, argc, 2)) type_name = token_to_text(args[2], buf2);
  NumberType t = parse_type(type_name);
  uintptr_t at = target_address(args[0], offset, t.size);
  if (!at) return ResultDone;  // empty result
  const void* p = reinterpret_cast<const void*>(at);
  if (t.is_float) {
    result = ExprToken{};
    result.symbol = SymFloat;
    if (t.size == 4) {
      float f;
      std::memcpy(&f, p, 4);
      result.number = f;
    } else {
      std::memcpy(&result.number, p, 8);
    }
    return ResultDone;
  }
  int64_t v = 0;
  switch (t.size) {
    case 1: v = t.is_unsigned ? int64_t(*static_cast<const uint8_t*>(p)) : int64_t(*static_cast<const int8_t*>(p)); break;
    case 2: {
      uint16_t x;
      std::memcpy(&x, p, 2);
      v = t.is_unsigned ? int64_t(x) : int64_t(int16_t(x));
      break;
    }
    case 4: {
      uint32_t x;
      std::memcpy(&x, p, 4);
      v = t.is_unsigned ? int64_t(x) : int64_t(int32_t(x));
      break;
    }
    default: std::memcpy(&v, p, 8); break;
  }
  result = int_token(v);
  return ResultDone;
}

Result builtin_numput(Func&, ExprToken& result, ExprToken* args, int argc) {
  // NumPut(Number, VarOrAddress [, Offset] [, Type])
  int64_t offset = 0;
  char16_t buf[256], buf2[256];
  StringView type_name = u"Int64";
  if (arg_given(args, argc, 2)) {
    if (token_numeric_type(args[2]) != NumType::NotNumeric) offset = token_to_int(args[2]);
    else type_name = token_to_text(args[2], buf);
  }
  if (arg_given(args, argc, 3)) type_name = token_to_text(args[3], buf2);
  NumberType t = parse_type(type_name);
  uintptr_t at = target_address(args[1], offset, t.size);
  if (!at) return ResultDone;
  void* p = reinterpret_cast<void*>(at);
  if (t.is_float) {
    double d = token_to_double(args[0]);
    if (t.size == 4) {
      float f = float(d);
      std::memcpy(p, &f, 4);
    } else {
      std::memcpy(p, &d, 8);
    }
  } else {
    int64_t v = token_numeric_type(args[0]) == NumType::Float ? double_to_int(token_to_double(args[0])) : token_to_int(args[0]);
    std::memcpy(p, &v, size_t(t.size));  // little-endian: the low bytes
  }
  result = int_token(int64_t(at + uintptr_t(t.size)));
  return ResultDone;
}

}  // namespace orv
