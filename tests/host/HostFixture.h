// Shared pieces of the host tests: an event sink that records what reaches
// it, and a fixture with one application.
#pragma once

#include "host/Application.h"

#include "core/host/ComPtr.h"
#include "core/host/HostError.h"
#include "core/host/HostOps.h"
#include "core/host/VGCore.h"
#include "core/host/Variants.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace mosvik::host::test {

using com::ComPtr;

// One event as a sink saw it.
struct SeenEvent {
    int32_t dispId = 0;
    std::vector<uint16_t> tagsLastFirst; // the argument array as delivered
    std::vector<std::u16string> texts;   // text arguments, first-first
    std::thread::id thread;
};

// A plug-in-side sink. Its life is the test's, so reaching zero references
// does not free it; the count stays readable.
class RecordingSink : public com::IDispatch {
public:
    com::HRESULT QueryInterface(const com::GUID* iid, void** out) override;
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    com::HRESULT GetTypeInfoCount(uint32_t*) override { return com::E_NOTIMPL; }
    com::HRESULT GetTypeInfo(uint32_t, uint32_t, void**) override { return com::E_NOTIMPL; }
    com::HRESULT GetIDsOfNames(const com::GUID*, char16_t**, uint32_t, uint32_t,
                               int32_t*) override {
        return com::E_NOTIMPL;
    }
    com::HRESULT Invoke(int32_t dispId, const com::GUID*, uint32_t, uint16_t,
                        com::DispParams* params, com::Variant*, void*, uint32_t*) override;

    std::vector<SeenEvent> events() const;
    std::vector<int32_t> dispIds() const;

    std::atomic<uint32_t> refs{0};
    // Called with each event, after it is recorded.
    std::function<void(int32_t, com::DispParams*)> react;

private:
    mutable std::mutex mutex_;
    std::vector<SeenEvent> events_;
};

class HostTest : public ::testing::Test {
protected:
    com::IVGApplication* host() { return app.com(); }
    ComPtr<com::IVGDocument> activeDocument() { return host_ops::activeDocument(host()); }
    ComPtr<com::IVGPage> activePage() { return host_ops::activePage(host()); }
    // The n-th (from 1) shape of the active page, front first.
    ComPtr<com::IVGShape> pageShape(int32_t n);

    Application app;
};

// Runs `call` and returns the text of the HostError it throws (empty if none).
std::string hostErrorOf(const std::function<void()>& call);

template <class T> std::u16string nameOf(T* object) {
    com::Bstr name;
    com::check(object, object->get_Name(name.put()));
    return name.text();
}

} // namespace mosvik::host::test
