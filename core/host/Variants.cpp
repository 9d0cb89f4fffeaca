#include "Variants.h"

namespace mosvik::com {

uint32_t argumentCount(const DispParams* params) {
    return params ? params->argCount : 0;
}

Variant* argument(DispParams* params, uint32_t i) {
    if (!params || !params->args || i >= params->argCount)
        return nullptr;
    return &params->args[params->argCount - 1 - i];
}

std::u16string variantText(const Variant* v) {
    if (!v)
        return {};
    if (v->vt == VT_BSTR)
        return v->bstrVal ? std::u16string(v->bstrVal) : std::u16string();
    if (v->vt == (VT_BSTR | VT_BYREF) && v->pbstrVal && *v->pbstrVal)
        return std::u16string(*v->pbstrVal);
    return {};
}

IUnknown* variantInterface(const Variant* v) {
    if (!v)
        return nullptr;
    switch (v->vt) {
    case VT_DISPATCH:
        return v->pdispVal;
    case VT_UNKNOWN:
        return v->punkVal;
    default:
        return nullptr;
    }
}

VARIANT_BOOL* variantBoolRef(Variant* v) {
    return v && v->vt == (VT_BOOL | VT_BYREF) ? v->pboolVal : nullptr;
}

int32_t variantInt(const Variant* v) {
    if (!v)
        return 0;
    if (v->vt == VT_I4)
        return v->lVal;
    if (v->vt == (VT_I4 | VT_BYREF) && v->plVal)
        return *v->plVal;
    return 0;
}

bool variantBool(const Variant* v) {
    if (!v)
        return false;
    if (v->vt == VT_BOOL)
        return v->boolVal != 0;
    if (v->vt == (VT_BOOL | VT_BYREF) && v->pboolVal)
        return *v->pboolVal != 0;
    return false;
}

static Variant blank(uint16_t vt) {
    Variant v{};
    v.vt = vt;
    return v;
}

Variant makeInt(int32_t value) {
    Variant v = blank(VT_I4);
    v.lVal = value;
    return v;
}

Variant makeBool(bool value) {
    Variant v = blank(VT_BOOL);
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Variant makeBoolRef(VARIANT_BOOL* place) {
    Variant v = blank(VT_BOOL | VT_BYREF);
    v.pboolVal = place;
    return v;
}

Variant makeIntRef(int32_t* place) {
    Variant v = blank(VT_I4 | VT_BYREF);
    v.plVal = place;
    return v;
}

Variant makeText(const char16_t* text) {
    Variant v = blank(VT_BSTR);
    v.bstrVal = const_cast<char16_t*>(text);
    return v;
}

Variant makeDispatch(IDispatch* object) {
    Variant v = blank(VT_DISPATCH);
    v.pdispVal = object;
    return v;
}

} // namespace mosvik::com
