#include "HostFixture.h"

namespace mosvik::host::test {

com::HRESULT RecordingSink::QueryInterface(const com::GUID* iid, void** out) {
    if (*iid == com::IID_IUnknown || *iid == com::IID_IDispatch) {
        *out = this;
        AddRef();
        return com::S_OK;
    }
    return com::E_NOINTERFACE;
}

com::HRESULT RecordingSink::Invoke(int32_t dispId, const com::GUID*, uint32_t, uint16_t,
                                   com::DispParams* params, com::Variant*, void*, uint32_t*) {
    SeenEvent seen;
    seen.dispId = dispId;
    seen.thread = std::this_thread::get_id();
    for (uint32_t i = 0; i < com::argumentCount(params); ++i) {
        seen.tagsLastFirst.push_back(params->args[i].vt);
        const com::Variant* v = com::argument(params, i);
        if ((v->vt & ~com::VT_BYREF) == com::VT_BSTR)
            seen.texts.push_back(com::variantText(v));
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(seen));
    }
    if (react)
        react(dispId, params);
    return com::S_OK;
}

std::vector<SeenEvent> RecordingSink::events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

std::vector<int32_t> RecordingSink::dispIds() const {
    std::vector<int32_t> ids;
    for (const auto& e : events())
        ids.push_back(e.dispId);
    return ids;
}

ComPtr<com::IVGShape> HostTest::pageShape(int32_t n) {
    auto shapes = host_ops::pageShapes(activePage().get());
    ComPtr<com::IVGShape> shape;
    com::check(shapes, shapes->get_Item(n, shape.put()));
    return shape;
}

std::string hostErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const com::HostError& e) {
        return e.what();
    }
    return {};
}

} // namespace mosvik::host::test
