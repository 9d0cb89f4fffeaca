#include "HostCalls.h"

#include "core/host/HostError.h"
#include "core/host/HostOps.h"
#include "core/host/HostText.h"

namespace mosvik::app {

using com::check;
using com::ComPtr;

QString documentName(host::Application& host, host::DocumentId doc) {
    const auto object = host.documentObject(doc);
    com::Bstr name;
    check(object.get(), object->get_Name(name.put()));
    return QString::fromStdU16String(name.text());
}

void activatePage(host::Application& host, host::DocumentId doc, int index) {
    const auto object = host.documentObject(doc);
    ComPtr<com::IVGPages> pages;
    check(object.get(), object->get_Pages(pages.put()));
    ComPtr<com::IVGPage> page;
    check(pages.get(), pages->get_Item(index + 1, page.put()));
    check(page.get(), page->Activate());
}

void undoStep(host::Application& host, host::DocumentId doc) {
    host_ops::undo(host.documentObject(doc).get(), 1);
}

void redoStep(host::Application& host, host::DocumentId doc) {
    host_ops::redo(host.documentObject(doc).get(), 1);
}

} // namespace mosvik::app
