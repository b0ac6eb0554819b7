// Classes at load time: each class definition becomes a class object (an
// Object whose __Class is the full dotted name), stored in a super-global
// variable of its name (top level) or as a member of the enclosing class;
// methods become its members and its base is linked by name.
#include "objects/class_builder.h"

#include <algorithm>
#include <vector>

#include "base/messages.h"
#include "objects/object_model.h"
#include "runtime/errors.h"
#include "runtime/func.h"
#include "runtime/scope.h"
#include "runtime/script_program.h"
#include "runtime/variable.h"
#include "runtime/variable_list.h"

namespace orv {

namespace {

constexpr int kMaxClassDepth = 5;

struct BuiltClass {
  String full_name;
  Object* object;
  StringView base_name;
  uint32_t line_number;
};

// A class named in `extends`: a global holding an object, then members
// along the dots.
IObject* find_class(ScriptProgram& program, StringView dotted) {
  size_t dot = dotted.find(u'.');
  Variable* v = program.globals.find(dotted.substr(0, dot));
  if (!v || !(v->target().attributes & AttrObject)) return nullptr;
  IObject* current = v->target().contents.object;
  while (dot != StringView::npos) {
    size_t next = dotted.find(u'.', dot + 1);
    StringView part = dotted.substr(dot + 1, next == StringView::npos ? StringView::npos : next - dot - 1);
    auto* obj = dynamic_cast<Object*>(current);
    ObjectField* member = obj ? obj->find_string(part) : nullptr;
    if (!member || member->kind != SymObject) return nullptr;
    current = member->object;
    dot = next;
  }
  return current;
}

Result fail_at(ScriptProgram& program, uint32_t line, StringView message, StringView extra) {
  program.current_line_number = line;
  return load_error(program, message, extra);
}

}  // namespace

Result build_classes(ScriptProgram& program) {
  std::vector<BuiltClass> classes;
  std::vector<size_t> open;  // indexes into `classes` of the enclosing classes, by depth
  for (const DefinitionRecord& d : program.definitions) {
    if (d.kind != DefinitionKind::Class) continue;
    StringView rest = trim_left(d.text.substr(5));
    size_t n = 0;
    while (n < rest.size() && !is_blank(rest[n])) ++n;
    StringView name = rest.substr(0, n);
    StringView tail = trim(rest.substr(n));
    StringView base_name;
    if (!tail.empty()) {
      if (!starts_with_ignore_case(tail, u"extends") || (tail.size() > 7 && !is_blank(tail[7])))
        return fail_at(program, d.line_number, message(Msg::ClassSyntaxError), d.text);
      base_name = trim(tail.substr(7));
      if (base_name.empty()) return fail_at(program, d.line_number, message(Msg::MissingClassName), d.text);
    }
    if (!is_valid_var_name(name)) return fail_at(program, d.line_number, message(Msg::InvalidClassName), d.text);
    if (d.class_depth >= kMaxClassDepth)
      return fail_at(program, d.line_number, message(Msg::ClassNestedTooDeep), d.text);
    open.resize(size_t(d.class_depth));
    String full = open.empty() ? String(name) : classes[open.back()].full_name + u"." + String(name);
    if (full.size() >= 256) return fail_at(program, d.line_number, message(Msg::ClassNameTooLong), d.text);

    Ref<Object> cls = Ref<Object>::adopt(Object::create());
    if (!cls) return fail_at(program, d.line_number, message(Msg::OutOfMemory), d.text);
    StringView stored_full = program.pool.copy(full);
    cls->set_raw(u"__Class", text_token(stored_full));
    if (open.empty()) {
      Variable* v = find_global_or_add(program, name);
      if (!v) return ResultFailed;
      if (v->target().attributes & AttrObject) {
        cls.reset();
        return fail_at(program, d.line_number, message(Msg::DuplicateClass), d.text);
      }
      v->scope |= ScopeSuperGlobal | ScopeDeclared;
      if (!v->assign_object(ObjectRef(cls.get()))) return ResultFailed;
    } else {
      Object* outer = classes[open.back()].object;
      if (outer->find_string(name)) {
        cls.reset();
        return fail_at(program, d.line_number, message(Msg::DuplicateClass), d.text);
      }
      outer->set_raw(name, object_token(cls.get()));
    }
    // The variable or the enclosing class holds it from here on.
    classes.push_back({full, cls.get(), base_name, d.line_number});
    open.push_back(classes.size() - 1);
  }

  // Methods become members of the class they were defined in; accessors
  // (owned by "Class.Property") become the getter or setter of a Property.
  // By full name, sorted once: a script with thousands of classes and
  // methods must not compare every method with every class.
  std::vector<BuiltClass*> by_name;
  by_name.reserve(classes.size());
  for (BuiltClass& c : classes) by_name.push_back(&c);
  std::sort(by_name.begin(), by_name.end(),
            [](const BuiltClass* a, const BuiltClass* b) { return compare_ignore_case(a->full_name, b->full_name) < 0; });
  auto class_named = [&](StringView name) -> BuiltClass* {
    auto it = std::lower_bound(by_name.begin(), by_name.end(), name, [](const BuiltClass* c, StringView n) {
      return compare_ignore_case(c->full_name, n) < 0;
    });
    return it != by_name.end() && equals_ignore_case((*it)->full_name, name) ? *it : nullptr;
  };
  for (Func* f : program.functions) {
    if (f->owner.empty()) continue;
    StringView short_name = StringView(f->name).substr(f->owner.size() + 1);
    if (BuiltClass* c = class_named(f->owner)) {
      c->object->set_raw(short_name, object_token(f));
      f->class_object = c->object;
      continue;
    }
    size_t dot = f->owner.rfind(u'.');
    BuiltClass* c = dot == StringView::npos ? nullptr : class_named(f->owner.substr(0, dot));
    if (!c) continue;
    StringView prop_name = f->owner.substr(dot + 1);
    f->class_object = c->object;
    Property* prop = nullptr;
    if (ObjectField* field = c->object->find_string(prop_name); field && field->kind == SymObject)
      prop = dynamic_cast<Property*>(field->object);
    if (!prop) {
      Ref<Property> created = Ref<Property>::adopt(Property::create());
      c->object->set_raw(prop_name, object_token(created.get()));
      prop = created.get();  // the class holds it from here on
    }
    (equals_ignore_case(short_name, u"Get") ? prop->getter : prop->setter) = f;
  }

  // Bases, now that every class exists.
  for (BuiltClass& c : classes) {
    if (c.base_name.empty()) continue;
    IObject* base = find_class(program, c.base_name);
    if (!base) return fail_at(program, c.line_number, message(Msg::UnknownClass), c.base_name);
    c.object->set_base(base);
  }
  return ResultDone;
}

}  // namespace orv
