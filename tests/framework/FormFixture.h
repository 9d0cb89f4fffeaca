// A stand-in host with scripted dialogs and captured debug output, and a
// probe window that records the event methods the base forwards to it.
#pragma once

#include "framework/BaseForm.h"
#include "host/Application.h"
#include "platform/DebugOutput.h"
#include "platform/ScriptedDialogs.h"

#include "core/host/HostError.h"
#include "core/host/HostText.h"

#include <QCoreApplication>
#include <QPointer>
#include <gtest/gtest.h>

#include <functional>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace mosvik::test {

class TProbeForm : public TTBaseForm {
public:
    using TTBaseForm::cmdName;
    using TTBaseForm::FApp;
    using TTBaseForm::FEventHide;
    using TTBaseForm::FLCookie;
    using TTBaseForm::FWithCMD;
    using TTBaseForm::settingsSection;
    using TTBaseForm::TTBaseForm;

    // Event methods called, as "Name(arguments)".
    QStringList calls;
    // What the query events set Cancel to.
    bool cancelWith = false;
    // Run inside every recorded event method (to make it fail, say).
    std::function<void()> during;

protected:
    static QString nameOf(com::IVGDocument* doc) {
        if (!doc)
            return "null";
        com::Bstr name;
        com::check(doc, doc->get_Name(name.put()));
        return QString::fromStdU16String(name.text());
    }
    void record(const QString& call) {
        calls << call;
        if (during)
            during();
    }
    void query(const QString& name, com::IVGDocument* doc, bool& Cancel) {
        const bool before = Cancel;
        Cancel = cancelWith;
        record(QString("%1(%2,%3)").arg(name, doc ? nameOf(doc) : "-").arg(before));
    }

    void QueryDocumentClose(com::IVGDocument* Doc, bool& Cancel) override {
        query("QueryDocumentClose", Doc, Cancel);
    }
    void QueryDocumentSave(com::IVGDocument* Doc, bool& Cancel) override {
        query("QueryDocumentSave", Doc, Cancel);
    }
    void QueryDocumentPrint(com::IVGDocument* Doc, bool& Cancel) override {
        query("QueryDocumentPrint", Doc, Cancel);
    }
    void QueryDocumentExport(com::IVGDocument* Doc, bool& Cancel) override {
        query("QueryDocumentExport", Doc, Cancel);
    }
    void QueryQuit(bool& Cancel) override { query("QueryQuit", nullptr, Cancel); }
    void DocumentOpen(com::IVGDocument* Doc, const QString& FileName) override {
        record(QString("DocumentOpen(%1,%2)").arg(nameOf(Doc), FileName));
    }
    void DocumentNew(com::IVGDocument* Doc, bool FromTemplate, const QString& Template,
                     bool IncludeGraphics) override {
        record(QString("DocumentNew(%1,%2,%3,%4)")
                   .arg(nameOf(Doc))
                   .arg(FromTemplate)
                   .arg(Template)
                   .arg(IncludeGraphics));
    }
    void DocumentClose(com::IVGDocument* Doc) override {
        record(QString("DocumentClose(%1)").arg(nameOf(Doc)));
    }
    void DocumentBeforeSave(com::IVGDocument* Doc, bool SaveAs, const QString& FileName) override {
        record(QString("DocumentBeforeSave(%1,%2,%3)").arg(nameOf(Doc)).arg(SaveAs).arg(FileName));
    }
    void DocumentAfterSave(com::IVGDocument* Doc, bool SaveAs, const QString& FileName) override {
        record(QString("DocumentAfterSave(%1,%2,%3)").arg(nameOf(Doc)).arg(SaveAs).arg(FileName));
    }
    void DocumentBeforePrint(com::IVGDocument* Doc) override {
        record(QString("DocumentBeforePrint(%1)").arg(nameOf(Doc)));
    }
    void DocumentAfterPrint(com::IVGDocument* Doc) override {
        record(QString("DocumentAfterPrint(%1)").arg(nameOf(Doc)));
    }
    void DocumentBeforeExport(com::IVGDocument* Doc, const QString& FileName, int32_t Filter,
                              bool SaveBitmap) override {
        record(QString("DocumentBeforeExport(%1,%2,%3,%4)")
                   .arg(nameOf(Doc), FileName)
                   .arg(Filter)
                   .arg(SaveBitmap));
    }
    void DocumentAfterExport(com::IVGDocument*, const QString&, int32_t, bool) override {
        record("DocumentAfterExport");
    }
    void WindowActivate(com::IVGDocument* Doc, com::IVGWindow* Window) override {
        record(QString("WindowActivate(%1,%2)").arg(nameOf(Doc)).arg(Window != nullptr));
    }
    void WindowDeactivate(com::IVGDocument*, com::IVGWindow*) override {
        record("WindowDeactivate");
    }
    void SelectionChange() override { record("SelectionChange()"); }
    void Start() override { record("Start"); }
    void Quit() override { record("Quit"); }
    void OnPluginCommand(const QString&) override { record("OnPluginCommand"); }
    void OnUpdatePluginCommand(const QString&, bool&, int32_t&) override {
        record("OnUpdatePluginCommand");
    }
    void OnApplicationEvent(const QString&, com::Variant*) override {
        record("OnApplicationEvent");
    }
};

class HostTest : public ::testing::Test {
protected:
    // A document whose active page holds `shapes` rectangles, none selected.
    host::DocumentId newDocument(int shapes, const std::u16string& name = u"图1") {
        const host::DocumentId doc = host.newDocument(name);
        for (int i = 0; i < shapes; ++i)
            host.addShape(doc, host::model::shape(com::ShapeRectangle, 10 + i, 10, 20, 20));
        return doc;
    }
    // Runs the deletions that closing windows have posted.
    static void flushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    host::Application host;
    platform::ScriptedDialogs dialogs;
    platform::DialogsOverride useDialogs{dialogs};
    platform::DebugCapture debug;
};

} // namespace mosvik::test
