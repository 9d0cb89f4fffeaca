// The plug-in object the host talks to: one interface pointer serving as
// IUnknown, IDispatch and IVGAppPlugin.
//
// Life: created by AttachPlugin and kept by the library until it is unloaded.
// The host's AddRef/Release only count; the object "ends" exactly once, in
// StopSession or else in Unload, which gives back its host references. An
// ended object stays in memory and answers every later call harmlessly,
// because the host may still hold its pointer.
//
// Threads: every entry is called on the host's user-interface thread; the
// reference count is a plain counter.
#pragma once

#include "core/CommandTable.h"
#include "core/host/AppPlugin.h"
#include "core/host/ComPtr.h"

#include <string>
#include <vector>

namespace mosvik {

class OrmelPlugin final : public com::IVGAppPlugin {
public:
    OrmelPlugin();
    OrmelPlugin(const OrmelPlugin&) = delete;
    OrmelPlugin& operator=(const OrmelPlugin&) = delete;
    ~OrmelPlugin();

    // IUnknown
    com::HRESULT QueryInterface(const com::GUID* iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    // IDispatch
    com::HRESULT GetTypeInfoCount(uint32_t* count) override;
    com::HRESULT GetTypeInfo(uint32_t index, uint32_t locale, void** typeInfo) override;
    com::HRESULT GetIDsOfNames(const com::GUID* iid, char16_t** names, uint32_t nameCount,
                               uint32_t locale, int32_t* dispIds) override;
    com::HRESULT Invoke(int32_t dispId, const com::GUID* iid, uint32_t locale, uint16_t flags,
                        com::DispParams* args, com::Variant* result, void* excepInfo,
                        uint32_t* argErr) override;
    // IVGAppPlugin
    com::HRESULT Load(com::IVGApplication* application) override;
    com::HRESULT StartSession() override;
    com::HRESULT StopSession() override;
    com::HRESULT Unload() override;

    // Command handling; each returns S_OK or E_UNEXPECTED and shows nothing.
    void RegisterCommands();
    void UnregisterCommands();
    void UpdateCommand(const std::u16string& commandId, com::VARIANT_BOOL* enabled);
    com::HRESULT ExecuteCommand(const std::u16string& commandId);
    com::HRESULT InstallToolbar();

    bool ended() const { return FEnded; }
    int32_t eventCookie() const { return FEventCookie; }
    com::ICUICommandBar* commandBar() const { return FCommandBar.get(); }

private:
    void End();

    com::ComPtr<com::IVGApplication> FApplication;
    int32_t FEventCookie = 0;
    int32_t FRefCount = 0;
    com::ComPtr<com::ICUICommandBar> FCommandBar;
    std::vector<CommandEntry> FCommands;
    // The second application reference taken by Load, given back by
    // StopSession or Unload.
    bool FExtraReference = false;
    bool FEnded = false;
};

} // namespace mosvik
