// The state of one stand-in host application, shared by the Application
// and every automation object it hands out (each object keeps it alive).
//
// Threads: one recursive lock serialises every automation call and every
// call of the C++ interface, so any thread may call. Work that must not run
// under the lock (event delivery, releasing a foreign object) waits until
// the calling thread's outermost host call has let go of it. Events reach
// sinks on the user-interface thread (the thread of QCoreApplication): at
// once when raised there, else queued to it. Raised inside a host call they
// are delivered when that call returns.
#pragma once

#include "Events.h"
#include "Faults.h"
#include "Model.h"
#include "UndoStack.h"
#include "Workspace.h"

#include "core/host/HostEvents.h"
#include "core/host/VGCore.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace mosvik::host {

struct DocumentEntry {
    DocumentId id = 0;
    std::u16string name;
    std::u16string fileName;
    int32_t unit = com::UnitMillimetres; // a view setting: undo leaves it
    model::Drawing drawing;
    UndoStack undo;
    // False once closed and its close event is over; its objects then fail.
    bool open = true;
    // The document's live automation object, so one document has one
    // identity for as long as anyone holds it.
    com::IVGDocument* object = nullptr;
};
using EntryPtr = std::shared_ptr<DocumentEntry>;

struct PluginCommand {
    std::u16string id;
    std::u16string caption;
    std::u16string tooltip;
};

struct PendingEvent {
    com::HostEvent id = com::EvStart;
    std::vector<EventArg> args;
    // The document behind each Document or Window argument (null otherwise),
    // held so that a closing document outlives its close event.
    std::vector<EntryPtr> documents;
    // Runs after every sink has seen the event.
    std::function<void()> after;
};

// A failing host call: the status returned and the text of the last error.
struct HostFailure {
    com::HRESULT status;
    std::u16string text;
};
[[noreturn]] void fail(com::HRESULT status, const std::u16string& text);
[[noreturn]] void failGone();
template <class T> T* need(T* out) {
    if (!out)
        fail(com::E_POINTER, u"null out parameter");
    return out;
}

// The calling thread's last host error, as IHostErrorInfo reports it.
const std::u16string& lastErrorText();
void setLastErrorText(std::u16string text);
// "<operation>: <text>", the form of every error text but injected ones.
std::u16string describeFailure(const char* operation, const std::u16string& text);
std::u16string internalErrorText(const std::exception& e);

class HostState : public std::enable_shared_from_this<HostState> {
public:
    // Holds the host lock; the thread's outermost guard runs the deferred
    // work after unlocking.
    class Guard {
    public:
        explicit Guard(HostState& state);
        ~Guard();
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        HostState& state_;
    };

    // One counted automation call: lock, fault check, body, status.
    template <class F> com::HRESULT call(const char* operation, F&& body);

    // Runs `work` once the calling thread holds no host lock.
    void afterCall(std::function<void()> work);
    bool inCall() const;

    // Delivers now, defers or queues, as the thread rules say. Returns the
    // arguments after delivery when the sinks saw the event before return.
    std::optional<std::vector<EventArg>> raise(PendingEvent event);
    // Resolves the documents of the arguments; throws std::invalid_argument
    // for an unknown one.
    PendingEvent makeEvent(com::HostEvent id, std::vector<EventArg> args);

    // Document changes. `edit` makes an undo step (or joins the open group);
    // `select` changes only the selection and makes none. Both apply the
    // change to a copy first, so a throwing change leaves nothing behind.
    void edit(DocumentEntry& doc, const std::u16string& stepName,
              const std::function<void(model::Drawing&)>& change);
    void select(DocumentEntry& doc, const std::function<void(model::Drawing&)>& change);
    // Raises SelectionChange when the active document's selection differs.
    void selectionMayHaveChanged(const DocumentEntry& doc, const std::vector<model::Id>& before);

    model::Id newId() { return nextId++; }
    EntryPtr findDocument(DocumentId id) const;
    // Adds an open document, makes it active; the caller raises its event.
    EntryPtr addDocument(std::u16string name, std::u16string fileName, model::Drawing drawing);
    model::Page newPage(std::u16string name, double width, double height);

    std::recursive_mutex mutex;
    int version = 18;
    int32_t windowHandle = 0;
    bool optimization = false;
    int refreshes = 0;
    std::vector<EntryPtr> documents;
    EntryPtr active;
    std::vector<EntryPtr> closing; // removed, close event not yet delivered
    struct Sink {
        int32_t cookie;
        com::IDispatch* sink; // one reference, held until unadvised
    };
    std::vector<Sink> sinks;
    int32_t nextCookie = 1;
    std::vector<PluginCommand> commands;
    // The configuration, and its bars as the automation objects see them.
    Workspace workspace;
    std::vector<std::shared_ptr<CommandBarEntry>> bars;
    // Rebuilds `bars` from the configuration. A bar keeps its entry (and so
    // its automation objects) while its identity stays; the entries of bars
    // that left are marked deleted.
    void syncCommandBars();
    Faults faults;
    std::atomic<long> liveObjects{0};
    std::atomic<long> references{0};
    // Counts changes anyone could see: drawings, selection, documents, the
    // active document and page, units, commands, command bars. A window
    // compares it to decide whether to read the host again.
    std::atomic<uint64_t> revision{0};
    void touch() { ++revision; }
    model::Id nextId = 1;
    int untitled = 0;

private:
    std::optional<std::vector<EventArg>> deliver(PendingEvent& event);
};
using StatePtr = std::shared_ptr<HostState>;

template <class F> com::HRESULT HostState::call(const char* operation, F&& body) {
    Guard guard(*this);
    try {
        if (auto injected = faults.onCall(operation)) {
            setLastErrorText(injected->text);
            return injected->status;
        }
        body();
        return com::S_OK;
    } catch (const HostFailure& f) {
        setLastErrorText(describeFailure(operation, f.text));
        return f.status;
    } catch (const std::bad_alloc&) {
        setLastErrorText(describeFailure(operation, u"out of memory"));
        return com::E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        setLastErrorText(describeFailure(operation, internalErrorText(e)));
        return com::E_FAIL;
    }
}

} // namespace mosvik::host
