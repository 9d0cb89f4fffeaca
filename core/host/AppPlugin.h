// The plug-in interface the host drives, and the library's one entry point.
//
// Binary contract (docs/host-boundary.md): the vtable holds exactly
// QueryInterface, AddRef, Release, GetTypeInfoCount, GetTypeInfo,
// GetIDsOfNames, Invoke, Load, StartSession, StopSession, Unload.
// Calls come on the host's user-interface thread only.
#pragma once

#include "ComTypes.h"
#include "VGCore.h"

namespace mosvik::com {

struct IVGAppPlugin : IDispatch {
    virtual HRESULT Load(IVGApplication* application) = 0;
    virtual HRESULT StartSession() = 0;
    virtual HRESULT StopSession() = 0;
    virtual HRESULT Unload() = 0;
};

constexpr GUID IID_IVGAppPlugin = {
    0xB0580005, 0x9AA4, 0x44FD, {0x95, 0x47, 0x4F, 0x91, 0xEB, 0x75, 0x7A, 0xC4}};

// The name of the exported entry function, and its type.
constexpr const char* AttachPluginSymbol = "AttachPlugin";
using AttachPluginFunc = int32_t (*)(IVGAppPlugin** plugin);

} // namespace mosvik::com
