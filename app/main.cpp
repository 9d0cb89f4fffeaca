// mosvik1-host: the host program. It loads mosvik1.cpg as the real host
// does and either runs a batch script (--batch) or a short session with one
// drawing open, reporting what the plug-in did.
//
//   mosvik1-host [--plugin PATH] [--host-version N] [--batch SCRIPT]
#include "app/BatchRunner.h"
#include "app/HostSession.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>

#include <cstdlib>

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

} // namespace

int main(int argc, char** argv) {
    bool batch = false;
    for (int i = 1; i < argc; ++i)
        batch = batch || QByteArray(argv[i]) == "--batch";
    const bool noDisplay =
        !qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && (batch || noDisplay))
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
    return reportSession(session, out, err);
}
