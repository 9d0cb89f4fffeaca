#include "HostState.h"

#include "Objects.h"

#include "core/host/HostError.h"
#include "core/host/Variants.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <map>
#include <stdexcept>

namespace mosvik::host {

namespace {

thread_local int callDepth = 0;
thread_local std::vector<std::function<void()>> deferredWork;
thread_local std::u16string lastError;

void runDeferredWork() {
    while (!deferredWork.empty()) {
        auto work = std::move(deferredWork);
        deferredWork.clear();
        for (auto& w : work) {
            try {
                w();
            } catch (...) {
                // A sink's failure must not take the host down with it.
            }
        }
    }
}

// Without a QCoreApplication there is no user-interface thread to hand
// events to, so the raising thread delivers them itself.
bool onUiThread() {
    auto* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

} // namespace

void fail(com::HRESULT status, const std::u16string& text) {
    throw HostFailure{status, text};
}
void failGone() {
    fail(com::E_FAIL, u"object no longer exists");
}

const std::u16string& lastErrorText() {
    return lastError;
}
void setLastErrorText(std::u16string text) {
    lastError = std::move(text);
}

std::u16string describeFailure(const char* operation, const std::u16string& text) {
    return com::fromUtf8(operation) + u": " + text;
}

std::u16string internalErrorText(const std::exception& e) {
    return u"internal error: " + com::fromUtf8(e.what());
}

HostState::Guard::Guard(HostState& state) : state_(state) {
    state_.mutex.lock();
    ++callDepth;
}

HostState::Guard::~Guard() {
    --callDepth;
    state_.mutex.unlock();
    if (callDepth == 0)
        runDeferredWork();
}

void HostState::afterCall(std::function<void()> work) {
    if (callDepth == 0)
        work();
    else
        deferredWork.push_back(std::move(work));
}

bool HostState::inCall() const {
    return callDepth > 0;
}

std::optional<std::vector<EventArg>> HostState::raise(PendingEvent event) {
    if (inCall()) {
        afterCall([self = shared_from_this(), event]() mutable { self->raise(std::move(event)); });
        return std::nullopt;
    }
    if (onUiThread())
        return deliver(event);
    std::weak_ptr<HostState> weak = shared_from_this();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [weak, event]() mutable {
            if (auto self = weak.lock())
                self->deliver(event);
        },
        Qt::QueuedConnection);
    return std::nullopt;
}

std::optional<std::vector<EventArg>> HostState::deliver(PendingEvent& event) {
    const size_t n = event.args.size();
    std::vector<com::IDispatch*> receivers;
    std::vector<com::IDispatch*> objects(n, nullptr);
    {
        Guard guard(*this);
        for (const Sink& s : sinks) {
            s.sink->AddRef();
            receivers.push_back(s.sink);
        }
        auto self = shared_from_this();
        for (size_t i = 0; i < n; ++i) {
            if (!event.documents[i])
                continue;
            if (event.args[i].kind == EventArg::Kind::Document)
                objects[i] = documentObject(self, event.documents[i]);
            else
                objects[i] = newWindowObject(self, event.documents[i]);
        }
    }

    std::vector<com::Variant> values(n);
    std::vector<com::VARIANT_BOOL> bools(n, com::VARIANT_FALSE);
    std::vector<int32_t> ints(n, 0);
    for (size_t i = 0; i < n; ++i) {
        const EventArg& a = event.args[i];
        com::Variant& v = values[n - 1 - i]; // automation order: last first
        switch (a.kind) {
        case EventArg::Kind::Int:
            v = com::makeInt(a.number);
            break;
        case EventArg::Kind::Bool:
            v = com::makeBool(a.flag);
            break;
        case EventArg::Kind::Text:
            v = com::makeText(a.text.c_str());
            break;
        case EventArg::Kind::Document:
        case EventArg::Kind::Window:
            v = com::makeDispatch(objects[i]);
            break;
        case EventArg::Kind::BoolRef:
            bools[i] = a.flag ? com::VARIANT_TRUE : com::VARIANT_FALSE;
            v = com::makeBoolRef(&bools[i]);
            break;
        case EventArg::Kind::IntRef:
            ints[i] = a.number;
            v = com::makeIntRef(&ints[i]);
            break;
        }
    }
    com::DispParams params{values.data(), nullptr, static_cast<uint32_t>(n), 0};
    for (com::IDispatch* sink : receivers) {
        try {
            sink->Invoke(event.id, &com::IID_NULL, 0, com::DISPATCH_METHOD, &params, nullptr,
                         nullptr, nullptr);
        } catch (...) {
            // Same as a sink that reports failure: the next sink still hears.
        }
    }
    for (size_t i = 0; i < n; ++i) {
        if (event.args[i].kind == EventArg::Kind::BoolRef)
            event.args[i].flag = bools[i] != 0;
        else if (event.args[i].kind == EventArg::Kind::IntRef)
            event.args[i].number = ints[i];
    }
    for (com::IDispatch* o : objects)
        if (o)
            o->Release();
    for (com::IDispatch* sink : receivers)
        sink->Release();
    if (event.after)
        event.after();
    return event.args;
}

PendingEvent HostState::makeEvent(com::HostEvent id, std::vector<EventArg> args) {
    Guard guard(*this);
    PendingEvent event;
    event.id = id;
    for (const EventArg& a : args) {
        EntryPtr doc;
        if (a.kind == EventArg::Kind::Document || a.kind == EventArg::Kind::Window) {
            doc = findDocument(a.document);
            if (!doc)
                throw std::invalid_argument("event argument names no open document");
        }
        event.documents.push_back(std::move(doc));
    }
    event.args = std::move(args);
    return event;
}

void HostState::edit(DocumentEntry& doc, const std::u16string& stepName,
                     const std::function<void(model::Drawing&)>& change) {
    model::Drawing next = doc.drawing;
    change(next);
    auto selectionBefore = doc.drawing.selection;
    doc.undo.recordChange(stepName, std::move(doc.drawing));
    doc.drawing = std::move(next);
    touch();
    selectionMayHaveChanged(doc, selectionBefore);
}

void HostState::select(DocumentEntry& doc, const std::function<void(model::Drawing&)>& change) {
    model::Drawing next = doc.drawing;
    change(next);
    auto selectionBefore = doc.drawing.selection;
    doc.drawing = std::move(next);
    touch();
    selectionMayHaveChanged(doc, selectionBefore);
}

void HostState::selectionMayHaveChanged(const DocumentEntry& doc,
                                        const std::vector<model::Id>& before) {
    if (doc.drawing.selection == before || active.get() != &doc)
        return;
    raise(makeEvent(com::EvSelectionChange, {}));
}

void HostState::syncCommandBars() {
    std::vector<std::shared_ptr<CommandBarEntry>> next;
    for (CommandBarEntry& bar : workspace.bars()) {
        auto same = std::find_if(bars.begin(), bars.end(),
                                 [&](const auto& b) { return b && b->guid == bar.guid; });
        if (same == bars.end()) {
            next.push_back(std::make_shared<CommandBarEntry>(std::move(bar)));
            continue;
        }
        **same = std::move(bar);
        next.push_back(std::move(*same));
    }
    for (const auto& gone : bars)
        if (gone)
            gone->deleted = true;
    bars = std::move(next);
    touch();
}

EntryPtr HostState::findDocument(DocumentId id) const {
    for (const auto& list : {&documents, &closing})
        for (const EntryPtr& d : *list)
            if (d->id == id)
                return d;
    return nullptr;
}

model::Page HostState::newPage(std::u16string name, double width, double height) {
    model::Page page;
    page.id = newId();
    page.name = std::move(name);
    page.width = width;
    page.height = height;
    model::Layer layer;
    layer.id = newId();
    layer.name = u"Layer 1";
    page.activeLayer = layer.id;
    page.layers.push_back(std::move(layer));
    return page;
}

namespace {

// Gives every entity of a drawing from outside an id of this application,
// keeping the references between them.
void adopt(HostState& state, model::Drawing& d) {
    std::map<model::Id, model::Id> renamed;
    auto renumber = [&](model::Id& id) {
        const model::Id fresh = state.newId();
        if (id)
            renamed[id] = fresh;
        id = fresh;
    };
    std::function<void(std::vector<model::Shape>&)> shapes = [&](std::vector<model::Shape>& list) {
        for (model::Shape& s : list) {
            renumber(s.id);
            shapes(s.children);
            shapes(s.powerClip);
        }
    };
    auto mapped = [&](model::Id id) {
        auto it = renamed.find(id);
        return it == renamed.end() ? model::Id(0) : it->second;
    };
    for (model::Page& p : d.pages) {
        renumber(p.id);
        if (p.layers.empty())
            p.layers.push_back(model::Layer{0, u"Layer 1", {}, true});
        for (model::Layer& l : p.layers) {
            renumber(l.id);
            shapes(l.shapes);
        }
        p.activeLayer = mapped(p.activeLayer);
        if (!p.activeLayer)
            p.activeLayer = p.layers.back().id;
    }
    d.activePage = mapped(d.activePage);
    if (!d.activePage)
        d.activePage = d.pages.front().id;
    std::vector<model::Id> selection;
    for (model::Id id : d.selection)
        if (model::Id m = mapped(id))
            selection.push_back(m);
    d.selection = std::move(selection);
}

} // namespace

EntryPtr HostState::addDocument(std::u16string name, std::u16string fileName,
                                model::Drawing drawing) {
    auto doc = std::make_shared<DocumentEntry>();
    doc->id = newId();
    if (name.empty())
        name = u"Untitled-" + com::fromUtf8(std::to_string(++untitled));
    doc->name = std::move(name);
    doc->fileName = std::move(fileName);
    if (drawing.pages.empty())
        drawing.pages.push_back(model::Page{0, u"Page 1", 210, 297, {}, 0, 0, 0});
    adopt(*this, drawing);
    doc->drawing = std::move(drawing);
    documents.push_back(doc);
    active = doc;
    touch();
    return doc;
}

} // namespace mosvik::host
