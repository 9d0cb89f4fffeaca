// mosvik1-host: the host program. It loads mosvik1.cpg as the real host
// does and either shows its main window (when there is a display), runs a
// batch script (--batch), or, with no display, runs a short session with
// one drawing open and reports what the plug-in did.
//
//   mosvik1-host [--plugin PATH] [--host-version N] [--batch SCRIPT]
//                [--screenshot PNG] [FILE...]
//
// --screenshot shows the window (offscreen when there is no display),
// saves a picture of it once it has painted, and quits.
#include "app/BatchRunner.h"
#include "app/HostSession.h"
#include "app/window/MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <cstdlib>
#include <memory>

using namespace mosvik;

namespace {

int reportSession(app::HostSession& session, QTextStream& out, QTextStream& err) {
    auto& host = session.host();
    host.newDocument(u"未命名-1");
    if (!session.start()) {
        err << session.pluginError() << Qt::endl;
        out << "host version " << host.version() << ", running without the plug-in" << Qt::endl;
        return 1;
    }
    out << "host version " << host.version() << "\n";
    const auto commands = host.pluginCommands();
    out << "commands registered: " << commands.size() << "\n";
    for (const auto& c : commands) {
        const auto state = host.queryPluginCommandState(c.id, {false, 0});
        out << "  " << QString::fromStdU16String(c.id) << "  \""
            << QString::fromStdU16String(c.caption) << "\"  \""
            << QString::fromStdU16String(c.tooltip) << "\"  "
            << (state.enabled ? "enabled" : "disabled") << "\n";
    }
    for (const auto& bar : host.commandBars())
        out << "command bar: " << QString::fromStdU16String(bar.name) << " \""
            << QString::fromStdU16String(bar.caption) << "\""
            << (bar.visible ? " visible" : " hidden") << "\n";
    session.stop();
    for (const auto& line : session.plugin().log())
        out << line << "\n";
    out << "application references after the session: " << host.refCount() << Qt::endl;
    return 0;
}

// The window comes first so that the host knows its handle before the
// plug-in's start event; the plug-in makes it the owner of its windows.
int runWindow(app::HostSession& session, const QStringList& files, const QString& screenshot) {
    auto window = std::make_unique<app::MainWindow>(session.host());
    QObject::connect(window.get(), &app::MainWindow::closed, qApp, &QCoreApplication::quit);
    window->show();
    window->startPlugin(session);
    if (files.isEmpty())
        window->newDocument();
    for (const QString& file : files)
        window->openFile(file);
    if (!screenshot.isEmpty()) {
        QTimer::singleShot(800, window.get(), [&window, screenshot] {
            if (!window->grab().save(screenshot))
                QTextStream(stderr) << "cannot write " << screenshot << Qt::endl;
            QCoreApplication::quit();
        });
    }
    const int status = QApplication::exec();
    // The plug-in's windows only name this one as their owner, so it can go
    // first; then StopSession, Unload and dlclose, then the host.
    window.reset();
    session.stop();
    return status;
}

// Offscreen and minimal platforms draw nowhere a user could see.
bool displayAvailable() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        return !platform.startsWith("offscreen") && !platform.startsWith("minimal");
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv) {
    bool batch = false;
    bool screenshot = false;
    for (int i = 1; i < argc; ++i) {
        batch = batch || QByteArray(argv[i]) == "--batch";
        screenshot = screenshot || QByteArray(argv[i]).startsWith("--screenshot");
    }
    const bool gui = !batch && (displayAvailable() || screenshot);
    if ((!gui || !displayAvailable()) && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qapp(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mosvik1-host"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Drawing host that loads mosvik1.cpg"));
    parser.addHelpOption();
    QCommandLineOption pluginOption(QStringLiteral("plugin"), QStringLiteral("Plug-in library."),
                                    QStringLiteral("PATH"), app::defaultPluginPath());
    QCommandLineOption versionOption(QStringLiteral("host-version"),
                                     QStringLiteral("Host major version, 14 to 18."),
                                     QStringLiteral("N"), QStringLiteral("18"));
    QCommandLineOption batchOption(QStringLiteral("batch"),
                                   QStringLiteral("Run a batch script with no display."),
                                   QStringLiteral("SCRIPT"));
    parser.addOption(pluginOption);
    parser.addOption(versionOption);
    parser.addOption(batchOption);
    QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the window and quit."),
                                        QStringLiteral("PNG"));
    parser.addOption(screenshotOption);
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("Drawings to open in the window."),
                                 QStringLiteral("[FILE...]"));
    parser.process(qapp);

    QTextStream out(stdout);
    QTextStream err(stderr);
    bool versionOk = false;
    const int version = parser.value(versionOption).toInt(&versionOk);
    if (!versionOk || version < 14 || version > 18) {
        err << "--host-version takes a number from 14 to 18" << Qt::endl;
        return 2;
    }

    app::HostSession session(parser.value(pluginOption));
    session.host().setVersion(version);

    if (parser.isSet(batchOption)) {
        QFile script(parser.value(batchOption));
        if (!script.open(QIODevice::ReadOnly)) {
            err << "cannot read " << script.fileName() << ": " << script.errorString() << Qt::endl;
            return 2;
        }
        app::BatchRunner runner(session, out);
        return runner.run(QString::fromUtf8(script.readAll()), err);
    }
    if (gui) {
        qapp.setQuitOnLastWindowClosed(false);
        return runWindow(session, parser.positionalArguments(), parser.value(screenshotOption));
    }
    return reportSession(session, out, err);
}
