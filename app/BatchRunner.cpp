#include "BatchRunner.h"

#include "app/DocumentFiles.h"
#include "app/HostDump.h"

#include "core/host/HostError.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <QThread>

namespace mosvik::app {

using namespace com;

namespace {

// A window sets this dynamic property while a tool run is going.
constexpr const char* BusyProperty = "mosvikBusy";

void writeJson(const QString& path, const QJsonObject& object) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(object).toJson(QJsonDocument::Indented)) < 0 || !file.commit())
        throw DriverError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

void processEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool anyRunGoing() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->property(BusyProperty).toBool())
            return true;
        for (QWidget* w : top->findChildren<QWidget*>())
            if (w->isWindow() && w->property(BusyProperty).toBool())
                return true;
    }
    return false;
}

} // namespace

BatchRunner::BatchRunner(HostSession& session, QTextStream& out)
    : session_(session), out_(out), dialogs_(out), useDialogs_(dialogs_) {}

int BatchRunner::run(const QString& script, QTextStream& err) {
    std::vector<BatchLine> lines;
    try {
        lines = parseBatchScript(script);
    } catch (const BatchError& e) {
        err << e.what() << Qt::endl;
        return 1;
    }
    for (const auto& line : lines) {
        try {
            if (!execute(line))
                break;
            processEvents();
        } catch (const BatchError& e) {
            err << e.what() << Qt::endl;
            return 1;
        } catch (const std::exception& e) {
            err << BatchError(line.number, QString::fromUtf8(e.what())).what() << Qt::endl;
            return 1;
        }
    }
    return 0;
}

void BatchRunner::ensureStarted() {
    if (session_.started())
        return;
    if (!session_.start())
        out_ << "[插件] " << session_.pluginError() << Qt::endl;
}

host::DocumentId BatchRunner::activeDocument() const {
    const auto doc = session_.host().activeDocument();
    if (!doc)
        throw DriverError(QStringLiteral("no document is open"));
    return doc;
}

void BatchRunner::waitForRuns(double seconds) {
    QElapsedTimer timer;
    timer.start();
    processEvents();
    while (anyRunGoing()) {
        if (timer.elapsed() > seconds * 1000)
            throw DriverError(QStringLiteral("a run is still going after %1 s").arg(seconds));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
    processEvents();
}

bool BatchRunner::execute(const BatchLine& line) {
    const QString& c = line.command;
    const QStringList& a = line.args;
    auto& host = session_.host();

    if (c == QLatin1String("host-version")) {
        bool ok = false;
        const int v = a[0].toInt(&ok);
        if (!ok || v < 14 || v > 18)
            throw BatchError(line.number, QStringLiteral("host-version takes 14 to 18"));
        host.setVersion(v);
        return true;
    }
    if (c == QLatin1String("quit"))
        return false;

    ensureStarted();
    if (c == QLatin1String("new")) {
        host.newDocument();
    } else if (c == QLatin1String("open")) {
        QStringList warnings;
        openDrawingFile(host, a[0], &warnings);
        for (const auto& w : warnings)
            out_ << "[warning] " << w << Qt::endl;
    } else if (c == QLatin1String("save")) {
        saveDrawingFile(host, activeDocument(), a[0]);
    } else if (c == QLatin1String("page")) {
        bool ok = false;
        const int n = a[0].toInt(&ok);
        auto doc = host.documentObject(activeDocument());
        ComPtr<IVGPages> pages;
        check(doc, doc->get_Pages(pages.put()));
        int32_t count = 0;
        check(pages, pages->get_Count(&count));
        if (!ok || n < 1 || n > count)
            throw DriverError(QStringLiteral("the document has no page %1").arg(a[0]));
        ComPtr<IVGPage> page;
        check(pages, pages->get_Item(n, page.put()));
        check(page, page->Activate());
    } else if (c == QLatin1String("select")) {
        const auto doc = activeDocument();
        const auto drawing = host.drawing(doc);
        const auto* page = host::model::findPage(drawing, drawing.activePage);
        std::vector<host::model::Id> ids;
        if (a.size() == 1 && a[0] == QLatin1String("all")) {
            ids = host::model::pageShapesFrontFirst(*page);
        } else if (!(a.size() == 1 && a[0] == QLatin1String("none"))) {
            for (const auto& name : a) {
                std::optional<host::model::Id> found;
                for (const auto& layer : page->layers)
                    for (const auto& s : layer.shapes)
                        if (QString::fromStdU16String(s.name) == name)
                            found = s.id;
                if (!found)
                    throw DriverError(
                        QStringLiteral("no shape named \"%1\" on the active page").arg(name));
                ids.push_back(*found);
            }
        }
        host.setSelection(doc, ids);
    } else if (c == QLatin1String("command")) {
        const auto id = a[0].toStdU16String();
        bool known = false;
        for (const auto& command : host.pluginCommands())
            known = known || command.id == id;
        if (!known)
            throw DriverError(QStringLiteral("no plug-in command \"%1\"").arg(a[0]));
        if (!host.queryPluginCommandState(id, {false, 0}).enabled)
            throw DriverError(QStringLiteral("command \"%1\" is disabled").arg(a[0]));
        host.raisePluginCommand(id);
    } else if (c == QLatin1String("window")) {
        processEvents();
        QWidget* w = findWindow(a[0]);
        if (!w)
            throw DriverError(QStringLiteral("no open window of class %1").arg(a[0]));
        driver_.setTarget(w);
    } else if (c == QLatin1String("set")) {
        driver_.set(a[0], a[1]);
    } else if (c == QLatin1String("click")) {
        driver_.click(a[0]);
    } else if (c == QLatin1String("key")) {
        driver_.key(a[0]);
    } else if (c == QLatin1String("answer")) {
        dialogs_.queueAnswer(a[0]);
    } else if (c == QLatin1String("wait")) {
        double seconds = defaultWait_;
        if (!a.isEmpty()) {
            bool ok = false;
            seconds = a[0].toDouble(&ok);
            if (!ok || seconds <= 0)
                throw DriverError(QStringLiteral("wait takes a number of seconds"));
        }
        waitForRuns(seconds);
    } else if (c == QLatin1String("dump-host")) {
        writeJson(a[0], dumpHost(host));
    } else if (c == QLatin1String("dump-window")) {
        writeJson(a[0], driver_.describe());
    } else if (c == QLatin1String("close")) {
        driver_.close();
    }
    return true;
}

} // namespace mosvik::app
