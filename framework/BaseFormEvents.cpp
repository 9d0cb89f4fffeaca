// The event entry of TTBaseForm: which host events reach which event method,
// and how their automation arguments become the methods' parameters.
#include "BaseForm.h"

#include "DebugUtils.h"
#include "HandlerGuard.h"

#include "core/host/HostError.h"
#include "core/host/HostEvents.h"
#include "core/host/HostOps.h"
#include "core/host/Variants.h"
#include "platform/DebugOutput.h"

namespace mosvik {

using namespace com;

namespace {

// The interface `T` of an object argument; none for an empty argument. An
// object that is not a `T` ends the event as a failed conversion.
template <class T> ComPtr<T> objectArgument(Variant* arg, const GUID& iid) {
    ComPtr<T> object;
    IUnknown* unknown = variantInterface(arg);
    if (unknown && failed(unknown->QueryInterface(&iid, object.putVoid())))
        throw HostError(E_NOINTERFACE, u"Interface not supported");
    return object;
}

// Runs a query event with its Cancel starting false, and hands the final
// Cancel back to the host's place whatever the method did.
template <class F> void withCancel(Variant* cancelArg, F&& method) {
    bool cancel = false;
    auto writeBack = [&] {
        if (VARIANT_BOOL* place = variantBoolRef(cancelArg))
            *place = cancel ? VARIANT_TRUE : VARIANT_FALSE;
    };
    try {
        method(cancel);
    } catch (...) {
        writeBack();
        throw;
    }
    writeBack();
}

} // namespace

HRESULT TTBaseForm::Invoke(int32_t dispId, const GUID*, uint32_t, uint16_t, DispParams* params,
                           Variant*, void*, uint32_t*) {
    if (dispId != EvOnUpdatePluginCommand)
        platform::debugOutput(QStringLiteral("dispid:%1").arg(dispId));
    try {
        forwardEvent(dispId, params);
    } catch (...) {
        const QString message = exceptionMessage(std::current_exception());
        try {
            DebugUtils::ShowMessage(QStringLiteral("TTBaseForm.Invoke错误：") + message);
        } catch (...) {
            // The host must get its answer even when the report cannot be shown.
        }
    }
    return S_OK;
}

void TTBaseForm::forwardEvent(int32_t dispId, DispParams* params) {
    auto arg = [params](uint32_t i) {
        return argument(params, i);
    };
    auto doc = [&](uint32_t i) {
        return objectArgument<IVGDocument>(arg(i), IID_IVGDocument);
    };
    auto text = [&](uint32_t i) {
        return QString::fromStdU16String(variantText(arg(i)));
    };
    auto flag = [&](uint32_t i) {
        return variantBool(arg(i));
    };

    switch (dispId) {
    case EvQueryDocumentClose: {
        auto d = doc(0);
        withCancel(arg(1), [&](bool& cancel) { QueryDocumentClose(d.get(), cancel); });
        break;
    }
    case EvQueryDocumentSave: {
        auto d = doc(0);
        withCancel(arg(1), [&](bool& cancel) { QueryDocumentSave(d.get(), cancel); });
        break;
    }
    case EvQueryDocumentPrint: {
        auto d = doc(0);
        withCancel(arg(1), [&](bool& cancel) { QueryDocumentPrint(d.get(), cancel); });
        break;
    }
    case EvQueryDocumentExport: {
        auto d = doc(0);
        withCancel(arg(1), [&](bool& cancel) { QueryDocumentExport(d.get(), cancel); });
        break;
    }
    case EvQueryQuit:
        withCancel(arg(0), [&](bool& cancel) { QueryQuit(cancel); });
        break;
    case EvDocumentOpen:
        DocumentOpen(doc(0).get(), text(1));
        break;
    case EvDocumentNew:
        DocumentNew(doc(0).get(), flag(1), text(2), flag(3));
        break;
    case EvDocumentClose:
        DocumentClose(doc(0).get());
        break;
    case EvDocumentBeforeSave:
        DocumentBeforeSave(doc(0).get(), flag(1), text(2));
        break;
    case EvDocumentAfterSave:
        DocumentAfterSave(doc(0).get(), flag(1), text(2));
        break;
    case EvDocumentBeforePrint:
        DocumentBeforePrint(doc(0).get());
        break;
    case EvDocumentAfterPrint:
        DocumentAfterPrint(doc(0).get());
        break;
    case EvDocumentBeforeExport:
        DocumentBeforeExport(doc(0).get(), text(1), variantInt(arg(2)), flag(3));
        break;
    case EvWindowActivate:
        WindowActivate(doc(0).get(), objectArgument<IVGWindow>(arg(1), IID_IVGWindow).get());
        break;
    case EvSelectionChange:
        SelectionChange();
        break;
    default:
        // DocumentAfterExport, WindowDeactivate and the application-level
        // events (18-22) never reach a window's methods; the plug-in object
        // answers those it needs.
        break;
    }
}

void TTBaseForm::DocumentClose(IVGDocument*) {
    const int32_t remaining = host_ops::versionMajor(FApp.get()) <= 14 ? 1 : 0;
    if (host_ops::documentCount(FApp.get()) == remaining)
        close();
}

void TTBaseForm::QueryDocumentClose(IVGDocument*, bool&) {}
void TTBaseForm::QueryDocumentSave(IVGDocument*, bool&) {}
void TTBaseForm::QueryDocumentPrint(IVGDocument*, bool&) {}
void TTBaseForm::QueryDocumentExport(IVGDocument*, bool&) {}
void TTBaseForm::QueryQuit(bool&) {}
void TTBaseForm::DocumentOpen(IVGDocument*, const QString&) {}
void TTBaseForm::DocumentNew(IVGDocument*, bool, const QString&, bool) {}
void TTBaseForm::DocumentBeforeSave(IVGDocument*, bool, const QString&) {}
void TTBaseForm::DocumentAfterSave(IVGDocument*, bool, const QString&) {}
void TTBaseForm::DocumentBeforePrint(IVGDocument*) {}
void TTBaseForm::DocumentAfterPrint(IVGDocument*) {}
void TTBaseForm::DocumentBeforeExport(IVGDocument*, const QString&, int32_t, bool) {}
void TTBaseForm::DocumentAfterExport(IVGDocument*, const QString&, int32_t, bool) {}
void TTBaseForm::WindowActivate(IVGDocument*, IVGWindow*) {}
void TTBaseForm::WindowDeactivate(IVGDocument*, IVGWindow*) {}
void TTBaseForm::SelectionChange() {}
void TTBaseForm::Start() {}
void TTBaseForm::Quit() {}
void TTBaseForm::OnPluginCommand(const QString&) {}
void TTBaseForm::OnUpdatePluginCommand(const QString&, bool&, int32_t&) {}
void TTBaseForm::OnApplicationEvent(const QString&, Variant*) {}

} // namespace mosvik
