// Factories of the host's automation objects. Each returns a new object (or,
// for a document, its one live object) carrying one reference for the caller.
// Call them with the host lock held.
#pragma once

#include "HostState.h"

#include "core/host/VGCore.h"

namespace mosvik::host {

// Collections count and index with 32-bit integers, from 1.
inline int32_t countOf(size_t n) {
    return static_cast<int32_t>(n);
}
inline void checkIndex(int32_t index, size_t count) {
    if (index < 1 || index > countOf(count))
        fail(com::DISP_E_BADINDEX, u"index out of range");
}

// Where a shapes collection takes its shapes from, at every call.
struct ShapeSource {
    enum class Kind { Page, Layer, Group, Selection };
    Kind kind = Kind::Page;
    model::Id page = 0;
    model::Id layer = 0;
    model::Id shape = 0; // the group
};

com::IVGApplication* newApplicationObject(const StatePtr& state);
com::IVGAppWindow* newAppWindowObject(const StatePtr& state);
com::IVGRect* newRectObject(const StatePtr& state, double x, double y, double width, double height);
com::ICUICommandBars* newCommandBarsObject(const StatePtr& state);
com::ICUICommandBar* newCommandBarObject(const StatePtr& state,
                                         std::shared_ptr<CommandBarEntry> bar);

com::IVGDocuments* newDocumentsObject(const StatePtr& state);
com::IVGDocument* documentObject(const StatePtr& state, const EntryPtr& doc);
com::IVGWindow* newWindowObject(const StatePtr& state, const EntryPtr& doc);
com::IVGPages* newPagesObject(const StatePtr& state, const EntryPtr& doc);
com::IVGPage* newPageObject(const StatePtr& state, const EntryPtr& doc, model::Id page);
com::IVGLayer* newLayerObject(const StatePtr& state, const EntryPtr& doc, model::Id page,
                              model::Id layer);

com::IVGShapes* newShapesObject(const StatePtr& state, const EntryPtr& doc, ShapeSource source);
com::IVGShapeRange* newShapeRangeObject(const StatePtr& state, const EntryPtr& doc,
                                        std::vector<model::Id> shapes);
// `shape` 0 stands for the document's selection.
com::IVGShape* newShapeObject(const StatePtr& state, const EntryPtr& doc, model::Id shape);
com::IVGFill* newFillObject(const StatePtr& state, const EntryPtr& doc, model::Id shape);
com::IVGOutline* newOutlineObject(const StatePtr& state, const EntryPtr& doc, model::Id shape);
com::IVGColor* newColorObject(const StatePtr& state, model::Color color);

// Bitmap export (export/ExportObjects.cpp).
com::IVGStructExportOptions* newExportOptionsObject(const StatePtr& state);
// Checks the arguments of IVGDocument::ExportEx and makes its handle.
com::IVGExportFilter* newExportFilterObject(const StatePtr& state, const EntryPtr& doc,
                                            const char16_t* fileName, int32_t filter, int32_t range,
                                            com::IVGStructExportOptions* options,
                                            com::IDispatch* paletteOptions);

// Checks that lead every method of an object standing for a model entity.
DocumentEntry& openDocument(const EntryPtr& doc);
model::Page& livePage(const EntryPtr& doc, model::Id page);
model::Shape& liveShape(const EntryPtr& doc, model::Id shape);

} // namespace mosvik::host
