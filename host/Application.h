// The stand-in host application: an in-memory drawing program that offers
// the automation object model of core/host/VGCore.h (com()) and a C++
// interface through which the host application and tests drive it as a
// user would: open and close documents, draw, select, raise events.
//
// Ownership: the Application owns the host state and holds one reference on
// its automation application object. Automation objects handed out keep the
// state alive after the Application ends; they then fail cleanly. Ending
// the Application gives back its references on the registered event sinks.
//
// Units: the C++ interface speaks millimetres (the model's unit); the
// automation objects speak each document's current unit.
//
// Threads: every call takes the host lock (HostState.h), so any thread may
// call. Events reach sinks on the user-interface thread: the raise... calls
// deliver at once when made on that thread, and only then report what the
// sinks answered; from another thread they queue the event and report the
// defaults.
#pragma once

#include "Events.h"
#include "Faults.h"
#include "HostState.h"
#include "Model.h"

#include "core/host/ComPtr.h"
#include "core/host/HostEvents.h"
#include "core/host/VGCore.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mosvik::host {

struct CommandState {
    bool enabled = true;
    int32_t checked = 0;
};

// A command bar as the host shows it. Items come in order, each with its
// identity, the plug-in command it runs (commandId) or the host action it
// stands for (hostCommand: "separator", "file.new", ...; see docs/host.md),
// caption, tooltip and icons (QImage, ARGB32, transparent background; null
// when the item has none). An item the configuration names but does not
// define has only its identity. A plug-in item without caption or tooltip of
// its own shows those its command was registered with.
using CommandBarItemInfo = CommandBarItem;
struct CommandBarInfo {
    std::u16string name; // non-localisable: what ICUICommandBars finds it by
    std::u16string caption;
    bool visible = true;
    std::u16string guid;
    std::vector<CommandBarItemInfo> items;
};

class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The automation application object (borrowed; AddRef to keep it).
    com::IVGApplication* com() const { return app_; }
    // References on it, this Application's own included.
    uint32_t refCount() const;

    // Settings.
    int version() const;
    void setVersion(int major); // 14..18, else std::invalid_argument
    int32_t mainWindowHandle() const;
    void setMainWindowHandle(int32_t handle);
    bool optimization() const;
    int refreshCount() const;
    // Grows with every change a window could show (see HostState::revision).
    uint64_t revision() const;

    // Documents. New and opened documents become active and raise
    // DocumentNew / DocumentOpen. closeDocument asks QueryDocumentClose
    // first and returns false when a sink cancels; otherwise it closes with
    // DocumentClose, which host versions from 15 raise after taking the
    // document out of the collection and version 14 before.
    DocumentId newDocument(const std::u16string& name = {});
    DocumentId openDocument(const std::u16string& fileName, model::Drawing drawing = {});
    bool closeDocument(DocumentId doc);
    // Native drawing files (files/NativeFormat.h). openFile reads one and
    // opens it as above; saveDocument writes the document's drawing and the
    // document takes the file's path and name. Both throw
    // files::NativeFormatError and then change nothing.
    DocumentId openFile(const std::u16string& path);
    void saveDocument(DocumentId doc, const std::u16string& path);
    std::u16string documentName(DocumentId doc) const;
    std::u16string fileName(DocumentId doc) const; // empty until opened or saved
    std::vector<DocumentId> documents() const;
    DocumentId activeDocument() const; // 0: none
    void activateDocument(DocumentId doc);
    com::ComPtr<com::IVGDocument> documentObject(DocumentId doc) const;

    // Content, in millimetres. Each change is one undo step, or joins the
    // command group open on the document. Ids of the added entities are
    // assigned by the host (ids in the argument are ignored).
    model::Drawing drawing(DocumentId doc) const;
    model::Id addPage(DocumentId doc, double width = 210, double height = 297);
    // Onto `layer`, or the active layer of the active page; returns its id.
    model::Id addShape(DocumentId doc, model::Shape shape, model::Id layer = 0);
    void deleteShape(DocumentId doc, model::Id shape);
    void edit(DocumentId doc, const std::u16string& stepName,
              const std::function<void(model::Drawing&)>& change);
    void setSelection(DocumentId doc, std::vector<model::Id> shapes);
    std::vector<std::u16string> undoSteps(DocumentId doc) const; // most recent first
    std::vector<std::u16string> redoSteps(DocumentId doc) const;
    int openGroupDepth(DocumentId doc) const;

    // What plug-ins registered and what the workspace holds.
    std::vector<PluginCommand> pluginCommands() const;
    // A bar without items, under a fresh identity, which it returns.
    std::u16string addCommandBar(const std::u16string& name, const std::u16string& caption,
                                 bool visible = true);
    std::vector<CommandBarInfo> commandBars() const;
    // The user interface configuration as a uiConfig document (UTF-8), as a
    // host keeps it from one run to the next; setWorkspace replaces it (throws
    // std::invalid_argument, changing nothing, when the text is not one).
    // Icons that workspace archives brought stay.
    std::string workspace() const;
    void setWorkspace(const std::string& uiConfig);
    int sinkCount() const;

    // Events, as the host raises them. raiseEvent returns the arguments
    // after delivery (by-reference ones as the sinks left them), or nullopt
    // when the event was queued.
    std::optional<std::vector<EventArg>> raiseEvent(com::HostEvent id,
                                                    std::vector<EventArg> args = {});
    void raiseStart();
    void raiseQuit();
    void raisePluginCommand(const std::u16string& commandId);
    // Starts from `initial`; returns what the sinks made of it.
    CommandState queryPluginCommandState(const std::u16string& commandId,
                                         CommandState initial = {});
    // The state of every registered command, as a toolbar or menu shows it;
    // each starts disabled and unchecked.
    std::vector<std::pair<std::u16string, CommandState>> queryPluginCommandStates();
    // Query events return Cancel as the sinks left it.
    bool raiseQueryDocumentClose(DocumentId doc);
    bool raiseQueryQuit();
    void raiseDocumentClose(DocumentId doc);
    void raiseSelectionChange();
    void raiseWindowActivate(DocumentId doc);

    // Test support.
    Faults& faults();
    long liveObjects() const;           // host automation objects alive
    long outstandingReferences() const; // references held on them, in total

private:
    EntryPtr entry(DocumentId doc) const; // open document, else invalid_argument

    StatePtr state_;
    com::IVGApplication* app_ = nullptr;
};

} // namespace mosvik::host
