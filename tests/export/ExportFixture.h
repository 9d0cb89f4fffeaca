// A stand-in host with scripted dialogs, a settings file and a save folder of
// the test's own, and a view that records what an export run reports.
#pragma once

#include "export/ExportEngine.h"
#include "host/Application.h"
#include "platform/DebugOutput.h"
#include "platform/ModulePath.h"
#include "platform/ScriptedDialogs.h"

#include "core/host/ComPtr.h"
#include "core/host/VGCore.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace mosvik::test {

class TRecordingView : public exporting::TExportView {
public:
    QStringList lines;
    int setNameCalls = 0;
    int refusals = 0;
    // Runs after each line is recorded (to change the host mid-run).
    std::function<void(const QString&)> onLine;

    void AddLogLine(const QString& text) override {
        lines << text;
        if (onLine)
            onLine(text);
    }
    void SetName() override { ++setNameCalls; }
    void RefusePageField() override { ++refusals; }
};

class ExportTest : public ::testing::Test {
protected:
    // A document of `pages` pages; `shapesOn` lists the (1-based) pages that
    // get one rectangle each.
    host::DocumentId newDocument(int pages, std::vector<int> shapesOn,
                                 const std::u16string& name = u"海报.cdr") {
        const host::DocumentId doc = host.newDocument(name);
        for (int i = 1; i < pages; ++i)
            host.addPage(doc);
        for (int page : shapesOn) {
            const auto layer = host.drawing(doc).pages.at(size_t(page - 1)).layers.at(0).id;
            host.addShape(doc, host::model::shape(com::ShapeRectangle, 10, 10, 20, 20), layer);
        }
        return doc;
    }
    QString pageName(host::DocumentId doc, int page) const {
        return QString::fromStdU16String(host.drawing(doc).pages.at(size_t(page - 1)).name);
    }
    // Whether this host writes bitmap files yet.
    bool hostExports() {
        com::ComPtr<com::IVGStructExportOptions> options;
        return host.com()->CreateStructExportOptions(options.put()) == com::S_OK && options;
    }
    exporting::TExportSettings settingsFor(exporting::TExportRange range) const {
        exporting::TExportSettings s;
        s.range = range;
        s.fileName = QStringLiteral("海报");
        s.location = folder.path();
        return s;
    }
    QStringList messageTexts() const {
        QStringList texts;
        for (const auto& box : dialogs.messages())
            texts << box.text;
        return texts;
    }
    QStringList filesWritten() const {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir settingsDir;
    QTemporaryDir folder;
    platform::ModulePathOverride module{settingsDir.filePath("mosvik1.cpg")};
    host::Application host;
    platform::ScriptedDialogs dialogs;
    platform::DialogsOverride useDialogs{dialogs};
    platform::DebugCapture debug;
};

} // namespace mosvik::test
