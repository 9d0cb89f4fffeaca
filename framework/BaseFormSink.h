// The automation call interface of a TTBaseForm, as a separate object.
//
// Ownership: reference counted on its own. The window holds one reference
// and detaches itself before letting go, so references the host still holds
// keep only this small object alive, never the window.
// Threads: Invoke on the user-interface thread (where the host delivers
// events and where the window is destroyed); AddRef and Release from any.
#pragma once

#include "BaseForm.h"

#include "core/host/ComTypes.h"

#include <atomic>

namespace mosvik {

class TTBaseForm::Sink final : public com::IDispatch {
public:
    explicit Sink(TTBaseForm* form) : form_(form) {}
    void detach() { form_ = nullptr; }

    com::HRESULT QueryInterface(const com::GUID* iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    com::HRESULT GetTypeInfoCount(uint32_t* count) override;
    com::HRESULT GetTypeInfo(uint32_t index, uint32_t locale, void** typeInfo) override;
    com::HRESULT GetIDsOfNames(const com::GUID* iid, char16_t** names, uint32_t nameCount,
                               uint32_t locale, int32_t* dispIds) override;
    com::HRESULT Invoke(int32_t dispId, const com::GUID* iid, uint32_t locale, uint16_t flags,
                        com::DispParams* params, com::Variant* result, void* excepInfo,
                        uint32_t* argErr) override;

private:
    TTBaseForm* form_;
    std::atomic<uint32_t> refs_{1};
};

} // namespace mosvik
