// Reading and building automation argument lists. Arguments are stored
// last-first; these helpers index them first-first, as the event's
// parameters are written.
#pragma once

#include "ComTypes.h"

#include <string>

namespace mosvik::com {

// The `i`-th parameter (0 = first), or nullptr when there are fewer.
Variant* argument(DispParams* params, uint32_t i);
uint32_t argumentCount(const DispParams* params);

// Text of a text argument, by value or by reference; empty otherwise.
std::u16string variantText(const Variant* v);
// Interface carried by a dispatch or unknown argument (no reference added).
IUnknown* variantInterface(const Variant* v);
// Place of a by-reference 16-bit boolean; nullptr when `v` is not one.
VARIANT_BOOL* variantBoolRef(Variant* v);
int32_t variantInt(const Variant* v);
bool variantBool(const Variant* v);

Variant makeInt(int32_t value);
Variant makeBool(bool value);
Variant makeBoolRef(VARIANT_BOOL* place);
Variant makeIntRef(int32_t* place);
// Borrows `text`: the caller keeps it alive while the Variant is used.
Variant makeText(const char16_t* text);
Variant makeDispatch(IDispatch* object);

} // namespace mosvik::com
