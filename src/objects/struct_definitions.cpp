// Struct(Definition [, Address | Object [, Object]]) and Sizeof(Definition):
// definitions whose names are script variables.
#include "objects/struct_definitions.h"

#include "base/messages.h"
#include "objects/struct_object.h"
#include "runtime/builtin_functions.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/scope.h"
#include "runtime/script_program.h"
#include "runtime/variable.h"

namespace orv {

namespace {

class ScriptVariables final : public DefinitionSource {
 public:
  bool find(StringView name, String& text, LayoutRef& layout) override {
    Variable* v = g_script ? find_variable(*g_script, name) : nullptr;
    if (!v) return false;
    if (v->holds_object()) {
      auto* s = dynamic_cast<StructObject*>(v->target().contents.object);
      if (!s) return false;
      layout = s->layout();
      return true;
    }
    char16_t buf[256];
    StringView contents = token_to_text(var_token(v), buf);
    if (trim(contents).empty()) return false;
    text = String(contents);
    return true;
  }
};

LayoutResult definition_of(const ExprToken& token) {
  if (auto* s = dynamic_cast<StructObject*>(token_object(token))) {
    LayoutResult copied;
    copied.layout = s->layout();
    return copied;
  }
  char16_t buf[256];
  ScriptVariables variables;
  return parse_struct_definition(token_to_text(token, buf), &variables);
}

}  // namespace

LayoutResult find_named_definition(StringView name) {
  ScriptVariables variables;
  String text;
  LayoutResult result;
  if (!variables.find(name, text, result.layout)) {
    result.error = LayoutError::NotFound;
    result.culprit = String(name);
    return result;
  }
  if (result.layout) return result;
  return parse_struct_definition(text, &variables);
}

Result report_definition_error(const LayoutResult& failed) {
  Msg msg = Msg::InvalidStructDefinition;
  switch (failed.error) {
    case LayoutError::BitFieldPointer: msg = Msg::BitFieldPointer; break;
    case LayoutError::NotFound: msg = Msg::VariableNotFoundInFunction; break;
    case LayoutError::Duplicate: msg = Msg::DuplicateDeclaration; break;
    default: break;
  }
  return report_runtime_error(message(msg), failed.culprit);
}

Result builtin_struct(Func&, ExprToken& result, ExprToken* args, int argc) {
  LayoutResult definition = definition_of(args[0]);
  if (!definition.layout) return report_definition_error(definition);
  IObject* values = nullptr;
  bool at_address = false;
  int64_t address = 0;
  if (arg_given(args, argc, 1)) {
    values = token_object(args[1]);
    if (!values && token_numeric_type(args[1]) != NumType::NotNumeric) {
      at_address = true;
      address = token_to_int(args[1]);
    }
  }
  if (arg_given(args, argc, 2) && token_object(args[2])) values = token_object(args[2]);
  if (!at_address && definition.layout->size > g_var_settings.memory_limit)
    return report_runtime_error(message(Msg::OutOfMemory), definition.layout->definition);
  Ref<StructObject> s = Ref<StructObject>::adopt(at_address ? StructObject::create_view(definition.layout, uintptr_t(address))
                                                            : StructObject::create_owned(definition.layout));
  if (!s) return report_runtime_error(message(Msg::OutOfMemory));
  if (values && s->memory()) {
    if (Result r = s->initialise(*values); r != ResultDone) return r;
  }
  result = object_token(s.detach());
  return ResultDone;
}

Result builtin_sizeof(Func&, ExprToken& result, ExprToken* args, int argc) {
  (void)argc;
  LayoutResult definition = definition_of(args[0]);
  if (!definition.layout) return report_definition_error(definition);
  result = int_token(int64_t(definition.layout->size));
  return ResultDone;
}

}  // namespace orv
