#include "OrmelPlugin.h"

#include "core/SessionErrorBox.h"
#include "core/ToolbarInstaller.h"
#include "core/host/HostError.h"
#include "core/host/HostEvents.h"
#include "core/host/HostOps.h"
#include "core/host/Variants.h"
#include "export/ToJPG.h"
#include "framework/AllCommand.h"
#include "framework/MainForm.h"
#include "framework/ToolkitApplication.h"
#include "platform/DebugOutput.h"

#include <exception>
#include <memory>

namespace mosvik {

using namespace com;

namespace {

std::u16string errorText(const std::exception& e) {
    if (auto* host = dynamic_cast<const HostError*>(&e))
        return host->message();
    return fromUtf8(e.what());
}

// Runs a command-handling operation: any error ends it with E_UNEXPECTED.
// The user sees nothing; a developer finds the reason on the debug channel,
// since the host ignores what an event sink returns.
template <class F> HRESULT quietly(const char* operation, F&& work) {
    try {
        work();
        return S_OK;
    } catch (const std::exception& e) {
        platform::debugOutput(QString::fromLatin1(operation) + QStringLiteral(": ") +
                              QString::fromStdU16String(errorText(e)));
    } catch (...) {
        platform::debugOutput(QString::fromLatin1(operation) + QStringLiteral(": unknown error"));
    }
    return E_UNEXPECTED;
}

// The launcher's buttons for tools that build on the framework; the
// launcher itself cannot name them.
void registerLauncherWindows() { SetLauncher("btn_ToJPG", &TfMain::Open<TfToJPG>); }

} // namespace

OrmelPlugin::OrmelPlugin() : FCommands(commandTable()) { registerLauncherWindows(); }

OrmelPlugin::~OrmelPlugin() = default;

HRESULT OrmelPlugin::QueryInterface(const GUID* iid, void** out) {
    if (!iid || !out)
        return E_POINTER;
    if (*iid == IID_IUnknown || *iid == IID_IDispatch || *iid == IID_IVGAppPlugin) {
        *out = static_cast<IVGAppPlugin*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

uint32_t OrmelPlugin::AddRef() {
    return static_cast<uint32_t>(++FRefCount);
}

// Never destroys: the object's life is StopSession/Unload, not the count.
uint32_t OrmelPlugin::Release() {
    return static_cast<uint32_t>(--FRefCount);
}

HRESULT OrmelPlugin::GetTypeInfoCount(uint32_t*) {
    return E_NOTIMPL;
}
HRESULT OrmelPlugin::GetTypeInfo(uint32_t, uint32_t, void**) {
    return E_NOTIMPL;
}
HRESULT OrmelPlugin::GetIDsOfNames(const GUID*, char16_t**, uint32_t, uint32_t, int32_t*) {
    return E_NOTIMPL;
}

HRESULT OrmelPlugin::Invoke(int32_t dispId, const GUID*, uint32_t, uint16_t, DispParams* args,
                            Variant*, void*, uint32_t*) {
    // An ended object has no host to act on.
    if (FEnded || !FApplication)
        return S_OK;
    const uint32_t count = argumentCount(args);
    switch (dispId) {
    case EvStart:
        InstallToolbar();
        break;
    case EvOnPluginCommand:
        if (count == 1)
            quietly("ExecuteCommand", [&] { ExecuteCommand(variantText(argument(args, 0))); });
        break;
    case EvOnUpdatePluginCommand:
        if (count == 3) {
            if (VARIANT_BOOL* enabled = variantBoolRef(argument(args, 1)))
                quietly("UpdateCommand",
                        [&] { UpdateCommand(variantText(argument(args, 0)), enabled); });
        }
        break;
    default:
        break;
    }
    return S_OK;
}

HRESULT OrmelPlugin::Load(IVGApplication* application) {
    if (FEnded)
        return E_UNEXPECTED;
    try {
        if (FExtraReference && FApplication)
            FApplication->Release();
        FExtraReference = false;
        FApplication = ComPtr<IVGApplication>(application);
        if (application) {
            application->AddRef();
            FExtraReference = true;
        }
        return S_OK;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT OrmelPlugin::StartSession() {
    if (FEnded)
        return S_OK;
    try {
        if (!FApplication)
            throw HostError(E_UNEXPECTED, u"没有宿主应用程序对象");
        FEventCookie = host_ops::adviseEvents(FApplication.get(), this);
    } catch (const std::exception& e) {
        FEventCookie = 0;
        showSessionErrorBox(u"StartSession", errorText(e));
    } catch (...) {
        FEventCookie = 0;
        showSessionErrorBox(u"StartSession", u"未知错误");
    }
    return S_OK;
}

HRESULT OrmelPlugin::StopSession() {
    if (FEnded)
        return S_OK;
    try {
        if (!FApplication)
            throw HostError(E_UNEXPECTED, u"没有宿主应用程序对象");
        host_ops::unadviseEvents(FApplication.get(), FEventCookie);
        FEventCookie = 0;
        UnregisterCommands();
        End();
    } catch (const std::exception& e) {
        showSessionErrorBox(u"StopSession", errorText(e));
    } catch (...) {
        showSessionErrorBox(u"StopSession", u"未知错误");
    }
    return S_OK;
}

HRESULT OrmelPlugin::Unload() {
    if (FEnded || !FApplication)
        return S_OK;
    try {
        End();
        return S_OK;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

void OrmelPlugin::End() {
    FEnded = true;
    FCommandBar.reset();
    if (FExtraReference && FApplication)
        FApplication->Release();
    FExtraReference = false;
    FApplication.reset();
}

void OrmelPlugin::RegisterCommands() {
    for (const auto& entry : FCommands) {
        const auto text = splitStoredText(entry.storedText);
        VARIANT_BOOL reply = VARIANT_FALSE;
        check(FApplication, FApplication->AddPluginCommand(entry.id.c_str(), text.caption.c_str(),
                                                           text.tooltip.c_str(), &reply));
    }
}

void OrmelPlugin::UnregisterCommands() {
    for (const auto& entry : FCommands) {
        VARIANT_BOOL reply = VARIANT_FALSE;
        check(FApplication, FApplication->RemovePluginCommand(entry.id.c_str(), &reply));
    }
}

void OrmelPlugin::UpdateCommand(const std::u16string& commandId, VARIANT_BOOL* enabled) {
    for (const auto& entry : FCommands) {
        if (entry.id == commandId) {
            *enabled =
                host_ops::documentCount(FApplication.get()) > 0 ? VARIANT_TRUE : VARIANT_FALSE;
            return;
        }
    }
}

namespace {

// A new tool window per request, floating over the host; one that gave up in
// its own creation check is never shown.
template <class T> void openWindow(IVGApplication* app) {
    if (T* window = TTBaseForm::create<T>(Application(), app))
        window->show();
}

} // namespace

HRESULT OrmelPlugin::ExecuteCommand(const std::u16string& commandId) {
    return quietly("ExecuteCommand", [&] {
        IVGApplication* app = FApplication.get();
        Application().SetOwnerHandle(host_ops::mainWindowHandle(app));
        // Direct commands run on it. It is never shown, and it goes with the
        // request rather than piling up one per request with an application
        // reference each.
        std::unique_ptr<TfAllCommand> hidden(TTBaseForm::create<TfAllCommand>(Application(), app));
        for (const auto& entry : FCommands) {
            if (entry.id != commandId)
                continue;
            switch (entry.action) {
            case CommandAction::MainWindow:
                openWindow<TfMain>(app);
                break;
            case CommandAction::PageAdaptation:
                hidden->PageAdaptation();
                break;
            case CommandAction::SuperUndo:
                hidden->SuperUndo();
                break;
            case CommandAction::SuperRedo:
                hidden->SuperRedo();
                break;
            case CommandAction::ImageExport:
                openWindow<TfToJPG>(app);
                break;
            case CommandAction::Convert:
            case CommandAction::CropMarks:
            case CommandAction::OnekeyPS:
            case CommandAction::Qrcode:
            case CommandAction::SelectSimilar:
                // These tools' windows are not part of this build yet.
                break;
            }
            return;
        }
    });
}

HRESULT OrmelPlugin::InstallToolbar() {
    return quietly("InstallToolbar", [&] {
        RegisterCommands();
        if (auto bar = installToolbarWorkspace(FApplication.get()))
            FCommandBar = std::move(bar);
    });
}

} // namespace mosvik
