#include "Application.h"
#include "Objects.h"
#include "files/NativeFormat.h"

#include "core/host/HostError.h"

#include <QString>

#include <algorithm>
#include <stdexcept>

namespace mosvik::host {

using Guard = HostState::Guard;

namespace {
std::u16string baseName(const std::u16string& path) {
    const size_t slash = path.find_last_of(u"/\\");
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}
} // namespace

Application::Application() : state_(std::make_shared<HostState>()) {
    state_->syncCommandBars();
    app_ = newApplicationObject(state_);
}

Application::~Application() {
    std::vector<HostState::Sink> sinks;
    {
        Guard guard(*state_);
        sinks.swap(state_->sinks);
    }
    // Sinks commonly hold the application object: giving them back breaks
    // that cycle.
    for (const auto& s : sinks)
        s.sink->Release();
    app_->Release();
}

uint32_t Application::refCount() const {
    app_->AddRef();
    return app_->Release();
}

int Application::version() const {
    Guard guard(*state_);
    return state_->version;
}

void Application::setVersion(int major) {
    if (major < 14 || major > 18)
        throw std::invalid_argument("host major version must be 14 to 18");
    Guard guard(*state_);
    state_->version = major;
}

int32_t Application::mainWindowHandle() const {
    Guard guard(*state_);
    return state_->windowHandle;
}

void Application::setMainWindowHandle(int32_t handle) {
    Guard guard(*state_);
    state_->windowHandle = handle;
}

bool Application::optimization() const {
    Guard guard(*state_);
    return state_->optimization;
}

int Application::refreshCount() const {
    Guard guard(*state_);
    return state_->refreshes;
}

uint64_t Application::revision() const {
    return state_->revision.load();
}

EntryPtr Application::entry(DocumentId doc) const {
    Guard guard(*state_);
    for (const EntryPtr& d : state_->documents)
        if (d->id == doc)
            return d;
    throw std::invalid_argument("no open document has this id");
}

DocumentId Application::newDocument(const std::u16string& name) {
    EntryPtr doc;
    {
        Guard guard(*state_);
        doc = state_->addDocument(name, {}, {});
    }
    raiseEvent(com::EvDocumentNew, {EventArg::doc(doc->id), EventArg::boolean(false),
                                    EventArg::string({}), EventArg::boolean(false)});
    return doc->id;
}

DocumentId Application::openDocument(const std::u16string& fileName, model::Drawing drawing) {
    const std::u16string name = baseName(fileName);
    EntryPtr doc;
    {
        Guard guard(*state_);
        doc = state_->addDocument(name, fileName, std::move(drawing));
    }
    raiseEvent(com::EvDocumentOpen, {EventArg::doc(doc->id), EventArg::string(fileName)});
    return doc->id;
}

DocumentId Application::openFile(const std::u16string& path) {
    return openDocument(path, files::loadNative(QString::fromStdU16String(path)));
}

void Application::saveDocument(DocumentId doc, const std::u16string& path) {
    model::Drawing drawing;
    {
        Guard guard(*state_);
        drawing = entry(doc)->drawing;
    }
    // Written outside the lock: a large drawing takes a while.
    files::saveNative(drawing, QString::fromStdU16String(path));
    Guard guard(*state_);
    if (EntryPtr d = state_->findDocument(doc)) {
        d->fileName = path;
        d->name = baseName(path);
        state_->touch();
    }
}

std::u16string Application::documentName(DocumentId doc) const {
    Guard guard(*state_);
    return entry(doc)->name;
}

std::u16string Application::fileName(DocumentId doc) const {
    Guard guard(*state_);
    return entry(doc)->fileName;
}

bool Application::closeDocument(DocumentId id) {
    EntryPtr doc = entry(id);
    if (raiseQueryDocumentClose(id))
        return false;
    PendingEvent event;
    {
        Guard guard(*state_);
        auto& docs = state_->documents;
        if (std::find(docs.begin(), docs.end(), doc) == docs.end())
            return false; // closed meanwhile
        event = state_->makeEvent(com::EvDocumentClose, {EventArg::doc(id)});
        std::weak_ptr<HostState> weak = state_;
        auto takeOut = [weak, doc] {
            if (auto s = weak.lock()) {
                auto& list = s->documents;
                list.erase(std::remove(list.begin(), list.end(), doc), list.end());
                if (s->active == doc)
                    s->active = list.empty() ? nullptr : list.back();
                s->touch();
            }
        };
        const bool countedDuringEvent = state_->version <= 14;
        if (!countedDuringEvent) {
            takeOut();
            state_->closing.push_back(doc);
        }
        event.after = [weak, doc, takeOut, countedDuringEvent] {
            auto s = weak.lock();
            if (!s)
                return;
            Guard guard(*s);
            if (countedDuringEvent)
                takeOut();
            auto& closing = s->closing;
            closing.erase(std::remove(closing.begin(), closing.end(), doc), closing.end());
            doc->open = false;
        };
    }
    state_->raise(std::move(event));
    return true;
}

std::vector<DocumentId> Application::documents() const {
    Guard guard(*state_);
    std::vector<DocumentId> ids;
    for (const EntryPtr& d : state_->documents)
        ids.push_back(d->id);
    return ids;
}

DocumentId Application::activeDocument() const {
    Guard guard(*state_);
    return state_->active ? state_->active->id : 0;
}

void Application::activateDocument(DocumentId doc) {
    Guard guard(*state_);
    state_->active = entry(doc);
    state_->touch();
}

com::ComPtr<com::IVGDocument> Application::documentObject(DocumentId doc) const {
    Guard guard(*state_);
    return com::ComPtr<com::IVGDocument>::adopt(host::documentObject(state_, entry(doc)));
}

model::Drawing Application::drawing(DocumentId doc) const {
    Guard guard(*state_);
    return entry(doc)->drawing;
}

model::Id Application::addPage(DocumentId doc, double width, double height) {
    Guard guard(*state_);
    EntryPtr d = entry(doc);
    const std::u16string name =
        u"Page " + com::fromUtf8(std::to_string(d->drawing.pages.size() + 1));
    model::Page page = state_->newPage(name, width, height);
    const model::Id id = page.id;
    state_->edit(*d, u"Add page", [&](model::Drawing& dr) { dr.pages.push_back(page); });
    return id;
}

namespace {
void giveIds(HostState& state, model::Shape& s) {
    s.id = state.newId();
    for (auto* list : {&s.children, &s.powerClip})
        for (model::Shape& c : *list)
            giveIds(state, c);
}

model::Layer* layerOf(model::Drawing& d, model::Id layer) {
    if (layer == 0) {
        model::Page* page = model::findPage(d, d.activePage);
        return page ? model::findLayer(*page, page->activeLayer) : nullptr;
    }
    for (model::Page& p : d.pages)
        if (model::Layer* l = model::findLayer(p, layer))
            return l;
    return nullptr;
}

} // namespace

model::Id Application::addShape(DocumentId doc, model::Shape shape, model::Id layer) {
    Guard guard(*state_);
    EntryPtr d = entry(doc);
    giveIds(*state_, shape);
    state_->edit(*d, u"Create", [&](model::Drawing& dr) {
        model::Layer* target = layerOf(dr, layer);
        if (!target)
            throw std::invalid_argument("no such layer");
        target->shapes.push_back(shape);
    });
    return shape.id;
}

void Application::deleteShape(DocumentId doc, model::Id shape) {
    Guard guard(*state_);
    state_->edit(*entry(doc), u"Delete", [&](model::Drawing& dr) {
        auto loc = model::locate(dr, shape);
        if (!loc)
            throw std::invalid_argument("no such shape");
        const std::vector<model::Id> gone = model::idsWithin(loc->shape());
        loc->siblings->erase(loc->siblings->begin() + static_cast<std::ptrdiff_t>(loc->index));
        auto& sel = dr.selection;
        sel.erase(std::remove_if(sel.begin(), sel.end(),
                                 [&](model::Id id) {
                                     return std::find(gone.begin(), gone.end(), id) != gone.end();
                                 }),
                  sel.end());
    });
}

void Application::edit(DocumentId doc, const std::u16string& stepName,
                       const std::function<void(model::Drawing&)>& change) {
    Guard guard(*state_);
    state_->edit(*entry(doc), stepName, change);
}

void Application::setSelection(DocumentId doc, std::vector<model::Id> shapes) {
    Guard guard(*state_);
    EntryPtr d = entry(doc);
    for (model::Id id : shapes)
        if (!model::findShape(d->drawing, id))
            throw std::invalid_argument("no such shape");
    state_->select(*d, [&](model::Drawing& dr) { dr.selection = shapes; });
}

std::vector<std::u16string> Application::undoSteps(DocumentId doc) const {
    Guard guard(*state_);
    return entry(doc)->undo.undoNames();
}

std::vector<std::u16string> Application::redoSteps(DocumentId doc) const {
    Guard guard(*state_);
    return entry(doc)->undo.redoNames();
}

int Application::openGroupDepth(DocumentId doc) const {
    Guard guard(*state_);
    return entry(doc)->undo.groupDepth();
}

std::vector<PluginCommand> Application::pluginCommands() const {
    Guard guard(*state_);
    return state_->commands;
}

std::u16string Application::addCommandBar(const std::u16string& name, const std::u16string& caption,
                                          bool visible) {
    Guard guard(*state_);
    const std::u16string guid = state_->workspace.addBar(name, caption, visible);
    state_->syncCommandBars();
    return guid;
}

std::vector<CommandBarInfo> Application::commandBars() const {
    Guard guard(*state_);
    std::vector<CommandBarInfo> bars;
    for (const auto& b : state_->bars) {
        CommandBarInfo bar{b->name, b->caption, b->visible, b->guid, b->items};
        for (CommandBarItemInfo& item : bar.items) {
            if (item.commandId.empty())
                continue;
            for (const PluginCommand& c : state_->commands)
                if (c.id == item.commandId) {
                    if (item.caption.empty())
                        item.caption = c.caption;
                    if (item.tooltip.empty())
                        item.tooltip = c.tooltip;
                }
        }
        bars.push_back(std::move(bar));
    }
    return bars;
}

std::string Application::workspace() const {
    Guard guard(*state_);
    return state_->workspace.save();
}

void Application::setWorkspace(const std::string& uiConfig) {
    Guard guard(*state_);
    Workspace next = state_->workspace;
    try {
        next.load(uiConfig);
    } catch (const WorkspaceError& e) {
        throw std::invalid_argument(QString::fromStdU16String(e.text).toStdString());
    }
    state_->workspace = std::move(next);
    state_->syncCommandBars();
}

int Application::sinkCount() const {
    Guard guard(*state_);
    return static_cast<int>(state_->sinks.size());
}

std::optional<std::vector<EventArg>> Application::raiseEvent(com::HostEvent id,
                                                             std::vector<EventArg> args) {
    return state_->raise(state_->makeEvent(id, std::move(args)));
}

void Application::raiseStart() {
    raiseEvent(com::EvStart);
}
void Application::raiseQuit() {
    raiseEvent(com::EvQuit);
}

void Application::raisePluginCommand(const std::u16string& commandId) {
    raiseEvent(com::EvOnPluginCommand, {EventArg::string(commandId)});
}

CommandState Application::queryPluginCommandState(const std::u16string& commandId,
                                                  CommandState initial) {
    auto after = raiseEvent(com::EvOnUpdatePluginCommand,
                            {EventArg::string(commandId), EventArg::boolRef(initial.enabled),
                             EventArg::intRef(initial.checked)});
    if (!after)
        return initial;
    return CommandState{(*after)[1].flag, (*after)[2].number};
}

std::vector<std::pair<std::u16string, CommandState>> Application::queryPluginCommandStates() {
    std::vector<std::pair<std::u16string, CommandState>> states;
    for (const PluginCommand& c : pluginCommands())
        states.emplace_back(c.id, queryPluginCommandState(c.id, CommandState{false, 0}));
    return states;
}

bool Application::raiseQueryDocumentClose(DocumentId doc) {
    auto after =
        raiseEvent(com::EvQueryDocumentClose, {EventArg::doc(doc), EventArg::boolRef(false)});
    return after && (*after)[1].flag;
}

bool Application::raiseQueryQuit() {
    auto after = raiseEvent(com::EvQueryQuit, {EventArg::boolRef(false)});
    return after && (*after)[0].flag;
}

void Application::raiseDocumentClose(DocumentId doc) {
    raiseEvent(com::EvDocumentClose, {EventArg::doc(doc)});
}

void Application::raiseSelectionChange() {
    raiseEvent(com::EvSelectionChange);
}

void Application::raiseWindowActivate(DocumentId doc) {
    raiseEvent(com::EvWindowActivate, {EventArg::doc(doc), EventArg::window(doc)});
}

Faults& Application::faults() {
    return state_->faults;
}
long Application::liveObjects() const {
    return state_->liveObjects.load();
}
long Application::outstandingReferences() const {
    return state_->references.load();
}

} // namespace mosvik::host
