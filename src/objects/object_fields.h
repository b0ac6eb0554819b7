// Field values of Object: storing a token into a field, reading one back
// into a result token, and the small parameter lists built for calls. Shared
// by the object model and its built-in methods only.
#pragma once

#include <cstdint>
#include <vector>

#include "base/small_array.h"
#include "objects/object_model.h"

namespace orv::object_detail {

// What a field holds when its value is the empty text; never written, as a
// field with capacity 0 owns nothing.
extern char16_t g_empty_field_text[1];

// Releases what the field's value owns (its text buffer or its object).
void release_value(ObjectField& field);
// Makes the field hold an empty text that owns nothing.
void clear_value(ObjectField& field);
// Stores a token: variables are read first (an object, a number assigned as
// a number, else the text); a literal carrying its integer becomes it. The
// old value is released only after the new one is in place, since a
// release may run __Delete. False when a text buffer could not be had: the
// field is then empty.
bool assign_value(ObjectField& field, const ExprToken& value);
// The field's value as a result: text copied into temporary memory (left
// empty if that fails), objects with a reference added.
void value_to_result(const ObjectField& field, ExprToken& result);
// The field's value as a token that borrows it (no reference, no copy).
ExprToken borrowed_value(const ObjectField& field);
// The value moves into the result: an object's reference passes to it, a
// text is copied out and its buffer freed.
void move_value_to_result(ObjectField& field, ExprToken& result);
// What an assignment gives back: the value assigned.
void assigned_result(const ExprToken& value, ExprToken& result);

// True for a token with no text at all (not missing, not an object).
bool is_empty_text(const ExprToken& token);

// Pointers to parameters, on the stack when there are few.
using ParamList = SmallArray<ExprToken*, 16>;

}  // namespace orv::object_detail
