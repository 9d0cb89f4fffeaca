#include "BaseFormSink.h"

namespace mosvik {

using namespace com;

HRESULT TTBaseForm::Sink::QueryInterface(const GUID* iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid && (*iid == IID_IUnknown || *iid == IID_IDispatch)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t TTBaseForm::Sink::AddRef() {
    return ++refs_;
}

uint32_t TTBaseForm::Sink::Release() {
    const uint32_t left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT TTBaseForm::Sink::GetTypeInfoCount(uint32_t*) {
    return E_NOTIMPL;
}
HRESULT TTBaseForm::Sink::GetTypeInfo(uint32_t, uint32_t, void**) {
    return E_NOTIMPL;
}
HRESULT TTBaseForm::Sink::GetIDsOfNames(const GUID*, char16_t**, uint32_t, uint32_t, int32_t*) {
    return E_NOTIMPL;
}

HRESULT TTBaseForm::Sink::Invoke(int32_t dispId, const GUID* iid, uint32_t locale, uint16_t flags,
                                 DispParams* params, Variant* result, void* excepInfo,
                                 uint32_t* argErr) {
    if (!form_)
        return S_OK;
    return form_->Invoke(dispId, iid, locale, flags, params, result, excepInfo, argErr);
}

} // namespace mosvik
