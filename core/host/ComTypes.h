// COM-style base types shared by the plug-in and its host.
//
// Binary contract: every type here has the automation layout documented in
// docs/host-boundary.md. Interfaces have no virtual destructor, so a vtable
// holds exactly the entries listed, in order. A host compiled separately can
// rely on these layouts alone.
//
// Ownership: an interface pointer handed out through an out parameter carries
// one reference that the receiver gives back with Release. Texts returned
// through an out parameter (`BSTR*`) are allocated with `malloc` by the callee
// and freed with `free` by the caller (see Bstr in HostText.h).
//
// Threads: these types hold no state of their own; each implementation states
// its own thread rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace mosvik::com {

using HRESULT = int32_t;
using VARIANT_BOOL = int16_t;
using BSTR = char16_t*;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);

inline bool succeeded(HRESULT hr) {
    return hr >= 0;
}
inline bool failed(HRESULT hr) {
    return hr < 0;
}

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16, "GUID is the standard 16-byte structure");

inline bool operator==(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool operator!=(const GUID& a, const GUID& b) {
    return !(a == b);
}

// Automation type tags.
enum VarType : uint16_t {
    VT_EMPTY = 0,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_BOOL = 11,
    VT_UNKNOWN = 13,
    VT_BYREF = 0x4000,
};

struct IUnknown;
struct IDispatch;

// 24 bytes on 64-bit: tag, three reserved words, 16-byte value area whose
// first 8 bytes hold the value.
struct Variant {
    uint16_t vt;
    uint16_t reserved1;
    uint16_t reserved2;
    uint16_t reserved3;
    union {
        int32_t lVal;
        VARIANT_BOOL boolVal;
        VARIANT_BOOL* pboolVal;
        int32_t* plVal;
        BSTR bstrVal;
        BSTR* pbstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        void* byref;
        uint8_t valueArea[16];
    };
};
static_assert(sizeof(void*) != 8 || sizeof(Variant) == 24, "Variant is 24 bytes on 64-bit");
static_assert(offsetof(Variant, lVal) == 8, "the value area starts at byte 8");

// Arguments are stored last-first: args[argCount - 1] is the first parameter.
struct DispParams {
    Variant* args;
    int32_t* namedArgIds;
    uint32_t argCount;
    uint32_t namedArgCount;
};

struct IUnknown {
    virtual HRESULT QueryInterface(const GUID* iid, void** out) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
};

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(uint32_t* count) = 0;
    virtual HRESULT GetTypeInfo(uint32_t index, uint32_t locale, void** typeInfo) = 0;
    virtual HRESULT GetIDsOfNames(const GUID* iid, char16_t** names, uint32_t nameCount,
                                  uint32_t locale, int32_t* dispIds) = 0;
    virtual HRESULT Invoke(int32_t dispId, const GUID* iid, uint32_t locale, uint16_t flags,
                           DispParams* args, Variant* result, void* excepInfo,
                           uint32_t* argErr) = 0;
};

constexpr GUID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

constexpr uint16_t DISPATCH_METHOD = 1;

} // namespace mosvik::com
