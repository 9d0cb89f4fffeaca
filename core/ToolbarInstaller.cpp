#include "ToolbarInstaller.h"

#include "core/CommandTable.h"
#include "core/host/HostError.h"
#include "core/host/HostOps.h"
#include "framework/Utils.h"
#include "platform/ShellFolders.h"
#include "resources/Resources.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <stdexcept>

namespace mosvik {

using namespace com;

const char* const ToolbarSettingsSection = "插件配置";
const char* const ToolbarVersionKey = "版本号";

namespace {

ComPtr<ICUICommandBar> lookUpBar(IVGApplication* app) {
    ComPtr<ICUICommandBars> bars;
    check(app, app->get_CommandBars(bars.put()));
    if (!bars)
        throw HostError(E_FAIL, u"没有工具栏集合");
    ComPtr<ICUICommandBar> bar;
    check(bars, bars->get_ItemByName(CommandBarName, bar.put()));
    if (!bar)
        throw HostError(E_FAIL, u"没有工具栏");
    return bar;
}

// Deletes the bar of an earlier release. A bar that is not there is no
// failure; any other failure is reported as false.
bool deleteOldBar(IVGApplication* app) {
    ComPtr<ICUICommandBar> bar;
    try {
        bar = lookUpBar(app);
    } catch (const HostError&) {
        return true;
    }
    try {
        check(bar, bar->Delete());
        return true;
    } catch (const HostError&) {
        return false;
    }
}

void writeResource(const char* name, const QString& path) {
    const auto data = resourceData(name);
    if (!data)
        throw std::runtime_error(std::string("missing resource ") + name);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(data->data(), static_cast<qint64>(data->size())) !=
            static_cast<qint64>(data->size()) ||
        !file.commit())
        throw std::runtime_error("cannot write " + path.toStdString() + ": " +
                                 file.errorString().toStdString());
}

void importWorkspace(IVGApplication* app, const char* resource, const QString& path,
                     bool keepFile) {
    writeResource(resource, path);
    check(app, app->ImportWorkspace(path.toStdU16String().c_str()));
    if (!keepFile)
        QFile::remove(path);
}

} // namespace

ComPtr<ICUICommandBar> findCommandBar(IVGApplication* app) {
    try {
        return lookUpBar(app);
    } catch (const HostError&) {
        return nullptr;
    }
}

ComPtr<ICUICommandBar> installToolbarWorkspace(IVGApplication* app) {
    {
        auto settings = OpenSettingsFile();
        const auto section = QString::fromUtf8(ToolbarSettingsSection);
        const auto key = QString::fromUtf8(ToolbarVersionKey);
        if (settings->ReadInteger(section, key, 0) != ToolbarVersion) {
            const bool deleted = deleteOldBar(app);
            settings->WriteInteger(section, key, ToolbarVersion);
            if (!deleted)
                throw HostError(E_FAIL, u"无法删除旧的工具栏");
        }
    }

    if (auto bar = findCommandBar(app))
        return bar;

    const QString folder = platform::tempFolder() + QLatin1Char('/');
    // The generation is asked afresh before each test, as the host may
    // answer differently at any call.
    if (host_ops::versionMajor(app) <= 16)
        importWorkspace(app, "toolbar_x4", folder + QStringLiteral("TTx4.xslt"), false);
    else if (host_ops::versionMajor(app) == 17)
        importWorkspace(app, "toolbar_x7", folder + QStringLiteral("TTx7.cdws"), true);
    else if (host_ops::versionMajor(app) >= 18)
        importWorkspace(app, "toolbar_x8", folder + QStringLiteral("TTx8.cdws"), false);

    auto bar = lookUpBar(app);
    check(bar, bar->put_Visible(VARIANT_TRUE));
    return nullptr;
}

} // namespace mosvik
