// Struct: a script's typed window onto raw memory laid out by a structure
// definition (struct_layout.h). A structure either owns zero-filled memory
// of its layout's size or views memory at an address it was given; the
// address is a plain pointer, what `s[]` and GetAddress hand to native code.
//
// The structure a script creates is a root. Reading a nested member, an
// element or a pointer to a structure gives a view that holds its root, so
// that the memory it looks at stays as long as the view. The root also owns
// every text buffer that a write through it or any of its views allocated
// for a string pointer. A buffer (or memory) replaced while views of the
// root exist is kept until the root goes, so that no view is left looking
// at freed memory.
//
// A structure at address 0 (or at an address scripts may not name) reads
// empty and refuses writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "objects/struct_layout.h"
#include "runtime/object.h"
#include "runtime/value.h"

namespace orv {

class StructObject final : public ObjectBase {
 public:
  // Owned zero-filled memory; null when it cannot be had.
  static StructObject* create_owned(LayoutRef layout);
  // A root viewing foreign memory it never frees.
  static StructObject* create_view(LayoutRef layout, uintptr_t address);

  Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) override;
  StringView type_name() const override { return u"Struct"; }

  const LayoutRef& layout() const { return layout_; }
  uint8_t* memory() const { return memory_; }
  // Each key of `values` names a member that receives its value.
  Result initialise(IObject& values);

 private:
  struct Buffer {
    uintptr_t slot;  // where the pointer to it is stored
    uint8_t* data;
    size_t size;
  };

  StructObject(LayoutRef layout, uint8_t* memory, StructObject* root);
  static uint8_t* zeroed_block(size_t bytes);
  ~StructObject() override;

  StructObject& root() { return root_ ? *root_ : *this; }
  // Whether `bytes` at `at` are memory this structure may touch. Scripts
  // that may not name memory by address reach only what a root allocated.
  bool reachable(uintptr_t at, size_t bytes);
  // A view of `layout` at `at` sharing this structure's root; null memory
  // when the place is unreachable.
  Result make_view(LayoutRef layout, uintptr_t at, ExprToken& result);

  Result get(ExprToken& result, ExprToken** keys, int count);
  Result set(ExprToken& result, ExprToken** keys, int count, const ExprToken& value);
  Result call(StringView name, ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** args, int argc);
  Result element(int64_t index, ExprToken& result);

  Result read_field(const StructField& f, size_t index, bool indexed, ExprToken& result);
  Result write_field(const StructField& f, size_t index, bool indexed, const ExprToken& value);
  Result write_text_pointer(uint8_t* slot, const StructField& f, StringView text);
  Buffer* buffer_at(uintptr_t slot);
  // Root only: frees a block given up, or keeps it until the end while
  // views of this root exist.
  void retire(uint8_t* block);
  uint8_t* allocate_buffer(uintptr_t slot, size_t bytes);
  Result clone(ExprToken& result, ExprToken** args, int argc);
  Result set_capacity(const StructField* f, const ExprToken* bytes, ExprToken& result);
  // The field a built-in member's first argument names, if it names one.
  const StructField* field_argument(ExprToken** args, int argc);

  LayoutRef layout_;
  LayoutRef element_layout_;  // one element of an array of structures, made on first use
  uint8_t* memory_;
  size_t owned_ = 0;
  Ref<StructObject> root_;
  // Root only: text buffers of string pointers, and blocks kept until the end.
  std::vector<Buffer> buffers_;
  std::vector<uint8_t*> retired_;

  friend class StructEnumerator;
};

}  // namespace orv
