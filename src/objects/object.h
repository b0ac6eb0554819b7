// Script-visible objects are reference counted: every holder of an object in
// a variable, a token or a field owns one reference and releases it when it
// lets go. The full object model builds on this base.
#pragma once

#include <cstdint>

namespace orv {

class IObject {
 public:
  virtual void add_ref() = 0;
  virtual void release() = 0;

 protected:
  virtual ~IObject() = default;
};

class ObjectBase : public IObject {
 public:
  void add_ref() override { ++refs_; }
  void release() override {
    if (--refs_ == 0) delete this;
  }

 protected:
  ~ObjectBase() override = default;

 private:
  uint32_t refs_ = 1;
};

}  // namespace orv
