// The error that ends the host operation in progress: a failing host status
// turned into an exception at the call site, with the host's message.
#pragma once

#include "ComPtr.h"
#include "HostText.h"

#include <stdexcept>
#include <string>

namespace mosvik::com {

// Our own error-information interface: every host object answers it, and it
// describes the last failure of a host call made on the calling thread.
struct IHostErrorInfo : IUnknown {
    virtual HRESULT GetLastErrorText(BSTR* text) = 0;
};
constexpr GUID IID_IHostErrorInfo = {
    0x6d6f7376, 0x696b, 0x0001, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};

class HostError : public std::runtime_error {
public:
    HostError(HRESULT status, const std::u16string& message);
    HRESULT status() const { return status_; }
    const std::u16string& message() const { return message_; }

private:
    HRESULT status_;
    std::u16string message_;
};

std::string toUtf8(const std::u16string& text);
std::u16string fromUtf8(const std::string& text);

// Throws HostError when `hr` is a failure, taking the message from `source`
// (any host object) when it describes one.
void check(IUnknown* source, HRESULT hr);

template <class T> void check(const ComPtr<T>& source, HRESULT hr) {
    check(source.get(), hr);
}

} // namespace mosvik::com
