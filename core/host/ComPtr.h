// Owning pointer to a reference-counted COM-style object: holds exactly one
// reference and gives it back when it lets go. Not thread-safe by itself;
// share the object, not the ComPtr, between threads.
#pragma once

#include "ComTypes.h"

#include <utility>

namespace mosvik::com {

template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference on `p`.
    explicit ComPtr(T* p) : p_(p) {
        if (p_)
            p_->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ~ComPtr() { reset(); }

    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }

    // Adopts a reference the caller already owns (no AddRef).
    static ComPtr adopt(T* p) {
        ComPtr c;
        c.p_ = p;
        return c;
    }

    void reset() {
        if (T* p = std::exchange(p_, nullptr))
            p->Release();
    }
    // Gives up ownership without releasing.
    T* detach() { return std::exchange(p_, nullptr); }

    // Out-parameter slot: releases what is held, then lets a callee store a
    // pointer that already carries its reference.
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

} // namespace mosvik::com
