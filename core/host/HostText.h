// Texts crossing the host boundary: UTF-16, NUL-terminated. A `BSTR` returned
// through an out parameter is allocated with malloc by the callee; `Bstr`
// owns one and frees it.
#pragma once

#include "ComTypes.h"

#include <cstdlib>
#include <new>
#include <string>
#include <utility>

namespace mosvik::com {

// Allocates a NUL-terminated copy that the receiver frees with free().
inline BSTR allocBstr(const std::u16string& text) {
    auto* p = static_cast<char16_t*>(std::malloc((text.size() + 1) * sizeof(char16_t)));
    if (!p)
        throw std::bad_alloc();
    std::char_traits<char16_t>::copy(p, text.data(), text.size());
    p[text.size()] = u'\0';
    return p;
}

inline std::u16string bstrText(const char16_t* p) {
    return p ? std::u16string(p) : std::u16string();
}

class Bstr {
public:
    Bstr() = default;
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ~Bstr() { std::free(p_); }

    BSTR* put() {
        std::free(std::exchange(p_, nullptr));
        return &p_;
    }
    std::u16string text() const { return bstrText(p_); }

private:
    BSTR p_ = nullptr;
};

} // namespace mosvik::com
