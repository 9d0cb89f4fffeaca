// mosvik1-host: the host program. It loads mosvik1.cpg as the real host
// does, runs a session with one drawing open and reports what the plug-in
// did: the commands it registered, the command bars, the state of each
// command.
//
//   mosvik1-host [--plugin PATH] [--host-version N]
#include "app/PluginLoader.h"
#include "host/Application.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

#include <cstdlib>

using namespace mosvik;

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY") &&
        !qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
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
    parser.addOption(pluginOption);
    parser.addOption(versionOption);
    parser.process(qapp);

    QTextStream out(stdout);
    QTextStream err(stderr);
    host::Application host;
    bool versionOk = false;
    const int version = parser.value(versionOption).toInt(&versionOk);
    if (!versionOk || version < 14 || version > 18) {
        err << "--host-version takes a number from 14 to 18\n";
        return 2;
    }
    host.setVersion(version);
    host.newDocument(u"未命名-1");

    app::PluginLoader loader;
    if (!loader.load(parser.value(pluginOption), host.com())) {
        err << loader.error() << "\n";
        out << "host version " << version << ", running without the plug-in\n";
        return 1;
    }
    host.raiseStart();

    out << "host version " << version << "\n";
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

    loader.unload();
    for (const auto& line : loader.log())
        out << line << "\n";
    out << "application references after the session: " << host.refCount() << "\n";
    return 0;
}
