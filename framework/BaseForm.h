// TTBaseForm: the base of every tool window.
//
// Life: create windows with TTBaseForm::create<T>(owner, app) only. It
// builds the window (T's constructor makes the controls), then runs the
// creation handler FormCreate() with FApp usable. A window that gives up
// there (a failed CheckPrecondition, or GiveUp()) is destroyed unshown and
// create returns null; an exception from FormCreate destroys the window and
// propagates. Otherwise the caller shows the window, which frees itself when
// closed.
//
// Ownership: the owner is either the toolkit application object (the window
// floats over the host window and lives on its own) or another window (the
// window is destroyed with it). The window holds one reference on FApp from
// construction to destruction. Its automation call interface (dispatch())
// is a separate object: references the host takes on it never keep the
// window alive, and once the window is gone it answers calls by doing
// nothing.
//
// Threads: creation, closing, events and every widget operation belong to
// the user-interface thread. StartEvent, EndEvent, AbortEvent and
// CheckPrecondition may also be called from a tool's worker thread (the host
// serialises its calls; boxes are shown on the user-interface thread). The
// bracket state lives in the window without a lock: one bracket at a time.
#pragma once

#include "ToolkitApplication.h"

#include "core/host/ComPtr.h"
#include "core/host/VGCore.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <type_traits>

namespace mosvik {

class TTBaseForm : public QWidget {
    Q_OBJECT

public:
    // `AOwner` null: owned by the toolkit application object.
    TTBaseForm(QWidget* AOwner, com::IVGApplication* App);
    ~TTBaseForm() override;

    template <class T> static T* create(QWidget* AOwner, com::IVGApplication* App);
    template <class T> static T* create(TApplication&, com::IVGApplication* App) {
        return create<T>(nullptr, App);
    }

    // Opens the bracket of a change to the drawing: with `withCMD` a command
    // group named cmdName on the active document, with `hide` the host's
    // optimisation flag on. Prefer TEventBracket, which also cleans up.
    void StartEvent(bool hide, bool withCMD);
    // Closes it: ends the command group, switches optimisation off (each as
    // the last StartEvent opened them) and always refreshes the display.
    void EndEvent();
    // Ends whatever StartEvent opened and EndEvent has not closed yet, then
    // refreshes; host errors are swallowed. For failure paths.
    void AbortEvent() noexcept;

    // Refuses with a box owned by the window ("没有文档被打开！" or
    // "到少需要一个对象！", caption "错误", error icon) and false when a document
    // or a shape on the active page is needed and missing.
    bool CheckPrecondition(bool needDocument, bool needShapes);

    // Registers dispatch() with the host as an event sink; keeps the cookie.
    void AdviseEvents();

    // The host's event entry; always returns S_OK.
    com::HRESULT Invoke(int32_t dispId, const com::GUID* iid, uint32_t locale, uint16_t flags,
                        com::DispParams* params, com::Variant* result, void* excepInfo,
                        uint32_t* argErr);
    // The window's automation call interface (no reference added).
    com::IDispatch* dispatch() const;

protected:
    // The creation handler; runs once, right after construction.
    virtual void FormCreate() {}
    // The close handler: unregisters the event sink when registered. The
    // window frees itself on close. Overrides call the base.
    virtual void FormClose();
    // Makes create() discard the window instead of returning it.
    void GiveUp() { gaveUp_ = true; }
    // The size of the client area; the border stays fixed.
    void SetClientSize(int width, int height);

    // Host events, forwarded by Invoke; the base does nothing except in
    // DocumentClose. Interface arguments are borrowed for the call.
    virtual void QueryDocumentClose(com::IVGDocument* Doc, bool& Cancel);
    virtual void QueryDocumentSave(com::IVGDocument* Doc, bool& Cancel);
    virtual void QueryDocumentPrint(com::IVGDocument* Doc, bool& Cancel);
    virtual void QueryDocumentExport(com::IVGDocument* Doc, bool& Cancel);
    virtual void QueryQuit(bool& Cancel);
    virtual void DocumentOpen(com::IVGDocument* Doc, const QString& FileName);
    virtual void DocumentNew(com::IVGDocument* Doc, bool FromTemplate, const QString& Template,
                             bool IncludeGraphics);
    // Closes the window when no document is left (version 14 and lower
    // still count the closing one).
    virtual void DocumentClose(com::IVGDocument* Doc);
    virtual void DocumentBeforeSave(com::IVGDocument* Doc, bool SaveAs, const QString& FileName);
    virtual void DocumentAfterSave(com::IVGDocument* Doc, bool SaveAs, const QString& FileName);
    virtual void DocumentBeforePrint(com::IVGDocument* Doc);
    virtual void DocumentAfterPrint(com::IVGDocument* Doc);
    virtual void DocumentBeforeExport(com::IVGDocument* Doc, const QString& FileName,
                                      int32_t Filter, bool SaveBitmap);
    virtual void DocumentAfterExport(com::IVGDocument* Doc, const QString& FileName, int32_t Filter,
                                     bool SaveBitmap);
    virtual void WindowActivate(com::IVGDocument* Doc, com::IVGWindow* Window);
    virtual void WindowDeactivate(com::IVGDocument* Doc, com::IVGWindow* Window);
    virtual void SelectionChange();
    virtual void Start();
    virtual void Quit();
    virtual void OnPluginCommand(const QString& CommandID);
    virtual void OnUpdatePluginCommand(const QString& CommandID, bool& Enabled, int32_t& Checked);
    virtual void OnApplicationEvent(const QString& EventName, com::Variant* Parameters);

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

    com::VARIANT_BOOL FEventHide = com::VARIANT_FALSE;
    com::VARIANT_BOOL FWithCMD = com::VARIANT_FALSE;
    QString cmdName;
    com::ComPtr<com::IVGApplication> FApp;
    int32_t FLCookie = 0;
    QString settingsSection;

private:
    class Sink;

    bool runCreationHandler();
    void forwardEvent(int32_t dispId, com::DispParams* params);
    bool preconditionHolds(bool needDocument, bool needShapes);

    Sink* sink_;
    bool creating_ = false;
    bool gaveUp_ = false;
    bool placed_ = false;
    // What the open bracket has really done, for AbortEvent.
    bool groupOpen_ = false;
    bool optimising_ = false;
};

template <class T> T* TTBaseForm::create(QWidget* AOwner, com::IVGApplication* App) {
    static_assert(std::is_base_of_v<TTBaseForm, T>, "windows derive from TTBaseForm");
    std::unique_ptr<T> window(new T(AOwner, App));
    if (!window->runCreationHandler())
        return nullptr;
    return window.release();
}

} // namespace mosvik
