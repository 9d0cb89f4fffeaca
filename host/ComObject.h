// Base of every automation object of the host: reference counting, the
// interface identities it answers, the error-information interface, and the
// per-host tally of live objects and outstanding references.
//
// Ownership: an object starts with one reference, owned by whoever created
// it, and deletes itself when the last one is given back. It keeps the host
// state alive, never the reverse; objects that stand for a model entity hold
// only its id and fail cleanly once the entity is gone.
//
// Threads: reference counting is atomic; the methods take the host lock
// through HostState::call.
#pragma once

#include "HostState.h"

#include "core/host/HostError.h"
#include "core/host/HostText.h"
#include "core/host/VGCore.h"

#include <atomic>

namespace mosvik::host {

inline com::GUID iidOf(const com::IVGApplication*) {
    return com::IID_IVGApplication;
}
inline com::GUID iidOf(const com::IVGDocuments*) {
    return com::IID_IVGDocuments;
}
inline com::GUID iidOf(const com::IVGDocument*) {
    return com::IID_IVGDocument;
}
inline com::GUID iidOf(const com::IVGPages*) {
    return com::IID_IVGPages;
}
inline com::GUID iidOf(const com::IVGPage*) {
    return com::IID_IVGPage;
}
inline com::GUID iidOf(const com::IVGLayer*) {
    return com::IID_IVGLayer;
}
inline com::GUID iidOf(const com::IVGShapes*) {
    return com::IID_IVGShapes;
}
inline com::GUID iidOf(const com::IVGShape*) {
    return com::IID_IVGShape;
}
inline com::GUID iidOf(const com::IVGShapeRange*) {
    return com::IID_IVGShapeRange;
}
inline com::GUID iidOf(const com::IVGColor*) {
    return com::IID_IVGColor;
}
inline com::GUID iidOf(const com::IVGFill*) {
    return com::IID_IVGFill;
}
inline com::GUID iidOf(const com::IVGOutline*) {
    return com::IID_IVGOutline;
}
inline com::GUID iidOf(const com::IVGWindow*) {
    return com::IID_IVGWindow;
}
inline com::GUID iidOf(const com::IVGAppWindow*) {
    return com::IID_IVGAppWindow;
}
inline com::GUID iidOf(const com::IVGRect*) {
    return com::IID_IVGRect;
}
inline com::GUID iidOf(const com::ICUICommandBars*) {
    return com::IID_ICUICommandBars;
}
inline com::GUID iidOf(const com::ICUICommandBar*) {
    return com::IID_ICUICommandBar;
}
inline com::GUID iidOf(const com::IVGStructExportOptions*) {
    return com::IID_IVGStructExportOptions;
}
inline com::GUID iidOf(const com::IVGExportFilter*) {
    return com::IID_IVGExportFilter;
}

class ObjectBase {
public:
    explicit ObjectBase(StatePtr state) : state_(std::move(state)) {
        ++state_->liveObjects;
        ++state_->references;
    }
    ObjectBase(const ObjectBase&) = delete;
    ObjectBase& operator=(const ObjectBase&) = delete;

protected:
    virtual ~ObjectBase() { --state_->liveObjects; }

    template <class F> com::HRESULT call(const char* operation, F&& body) {
        return state_->call(operation, std::forward<F>(body));
    }

    StatePtr state_;
};

template <class Interface>
class ComObject : public Interface, public com::IHostErrorInfo, public ObjectBase {
public:
    using ObjectBase::ObjectBase;

    com::HRESULT QueryInterface(const com::GUID* iid, void** out) override {
        if (!out || !iid)
            return com::E_POINTER;
        if (*iid == com::IID_IUnknown || *iid == com::IID_IDispatch ||
            *iid == iidOf(static_cast<Interface*>(nullptr))) {
            *out = static_cast<Interface*>(this);
        } else if (*iid == com::IID_IHostErrorInfo) {
            *out = static_cast<com::IHostErrorInfo*>(this);
        } else {
            *out = nullptr;
            return com::E_NOINTERFACE;
        }
        AddRef();
        return com::S_OK;
    }
    uint32_t AddRef() override {
        ++state_->references;
        return ++refs_;
    }
    uint32_t Release() override {
        --state_->references;
        const uint32_t left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

    com::HRESULT GetTypeInfoCount(uint32_t*) override { return com::E_NOTIMPL; }
    com::HRESULT GetTypeInfo(uint32_t, uint32_t, void**) override { return com::E_NOTIMPL; }
    com::HRESULT GetIDsOfNames(const com::GUID*, char16_t**, uint32_t, uint32_t,
                               int32_t*) override {
        return com::E_NOTIMPL;
    }
    com::HRESULT Invoke(int32_t, const com::GUID*, uint32_t, uint16_t, com::DispParams*,
                        com::Variant*, void*, uint32_t*) override {
        return com::E_NOTIMPL;
    }

    com::HRESULT GetLastErrorText(com::BSTR* text) override {
        if (!text)
            return com::E_POINTER;
        *text = com::allocBstr(lastErrorText());
        return com::S_OK;
    }

    // Takes a reference unless the object is already on its way out; for
    // identity caches looked up under the host lock.
    bool tryAddRef() {
        uint32_t n = refs_.load();
        while (n > 0)
            if (refs_.compare_exchange_weak(n, n + 1)) {
                ++state_->references;
                return true;
            }
        return false;
    }

private:
    std::atomic<uint32_t> refs_{1};
};

} // namespace mosvik::host
