// The host operations that several tools share, as plain functions that
// throw HostError when the host reports a failure. References obtained here
// come back in ComPtr, so they are given back when the caller lets go.
#pragma once

#include "ComPtr.h"
#include "HostError.h"
#include "VGCore.h"

#include <string>

namespace mosvik::host_ops {

using com::ComPtr;

// A required object the host reported as absent ends the operation too.
template <class T> ComPtr<T> required(ComPtr<T> p, const char16_t* what) {
    if (!p)
        throw com::HostError(com::E_FAIL, what);
    return p;
}

int32_t documentCount(com::IVGApplication* app);
ComPtr<com::IVGDocument> activeDocument(com::IVGApplication* app);
ComPtr<com::IVGPage> activePage(com::IVGApplication* app);
ComPtr<com::IVGLayer> activeLayer(com::IVGApplication* app);
ComPtr<com::IVGShape> activeSelection(com::IVGApplication* app);
int32_t versionMajor(com::IVGApplication* app);
// Native handle of the host's main window (0 when it has none).
int32_t mainWindowHandle(com::IVGApplication* app);
void setOptimization(com::IVGApplication* app, bool on);
void refresh(com::IVGApplication* app);
int32_t adviseEvents(com::IVGApplication* app, com::IDispatch* sink);
void unadviseEvents(com::IVGApplication* app, int32_t cookie);

void beginCommandGroup(com::IVGDocument* doc, const std::u16string& name);
void endCommandGroup(com::IVGDocument* doc);
void undo(com::IVGDocument* doc, int32_t levels);
void redo(com::IVGDocument* doc, int32_t levels);
void setUnit(com::IVGDocument* doc, int32_t unit);

std::u16string documentName(com::IVGDocument* doc);
int32_t pageCount(com::IVGDocument* doc);
// Page `index` of the document, counting from 1.
ComPtr<com::IVGPage> pageAt(com::IVGDocument* doc, int32_t index);
ComPtr<com::IVGPage> activePageOf(com::IVGDocument* doc);

std::u16string pageName(com::IVGPage* page);
int32_t shapeCount(com::IVGPage* page);
ComPtr<com::IVGShapes> pageShapes(com::IVGPage* page);

} // namespace mosvik::host_ops
