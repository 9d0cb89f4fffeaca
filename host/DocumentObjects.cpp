// Documents, their windows, pages and layers.
#include "ComObject.h"
#include "Objects.h"
#include "Units.h"

#include <algorithm>
#include <cmath>

namespace mosvik::host {

using namespace com;

DocumentEntry& openDocument(const EntryPtr& doc) {
    if (!doc->open)
        failGone();
    return *doc;
}

model::Page& livePage(const EntryPtr& doc, model::Id page) {
    model::Page* p = model::findPage(openDocument(doc).drawing, page);
    if (!p)
        failGone();
    return *p;
}

model::Shape& liveShape(const EntryPtr& doc, model::Id shape) {
    auto loc = model::locate(openDocument(doc).drawing, shape);
    if (!loc)
        failGone();
    return loc->shape();
}

namespace {

class DocumentsObject final : public ComObject<IVGDocuments> {
public:
    using ComObject::ComObject;

    HRESULT get_Count(int32_t* out) override {
        return call("IVGDocuments.get_Count",
                    [&] { *need(out) = countOf(state_->documents.size()); });
    }
    HRESULT get_Item(int32_t index, IVGDocument** out) override {
        return call("IVGDocuments.get_Item", [&] {
            need(out);
            checkIndex(index, state_->documents.size());
            *out = documentObject(state_, state_->documents[index - 1]);
        });
    }
};

class DocumentObject final : public ComObject<IVGDocument> {
public:
    DocumentObject(StatePtr state, EntryPtr doc) : ComObject(std::move(state)), doc_(doc) {}
    ~DocumentObject() override {
        HostState::Guard guard(*state_);
        if (doc_->object == this)
            doc_->object = nullptr;
    }

    HRESULT get_Name(BSTR* out) override {
        return call("IVGDocument.get_Name", [&] { *need(out) = allocBstr(doc().name); });
    }
    HRESULT get_Pages(IVGPages** out) override {
        return call("IVGDocument.get_Pages", [&] {
            doc();
            *need(out) = newPagesObject(state_, doc_);
        });
    }
    HRESULT get_ActivePage(IVGPage** out) override {
        return call("IVGDocument.get_ActivePage",
                    [&] { *need(out) = newPageObject(state_, doc_, doc().drawing.activePage); });
    }
    HRESULT get_ActiveLayer(IVGLayer** out) override {
        return call("IVGDocument.get_ActiveLayer", [&] {
            const model::Page& page = livePage(doc_, doc().drawing.activePage);
            *need(out) = newLayerObject(state_, doc_, page.id, page.activeLayer);
        });
    }
    HRESULT get_Selection(IVGShape** out) override {
        return call("IVGDocument.get_Selection", [&] {
            doc();
            *need(out) = newShapeObject(state_, doc_, 0);
        });
    }
    HRESULT get_Unit(int32_t* out) override {
        return call("IVGDocument.get_Unit", [&] { *need(out) = doc().unit; });
    }
    HRESULT put_Unit(int32_t unit) override {
        return call("IVGDocument.put_Unit", [&] {
            if (!isKnownUnit(unit))
                fail(E_INVALIDARG, u"unknown unit");
            doc().unit = unit;
            state_->touch();
        });
    }
    HRESULT BeginCommandGroup(const char16_t* name) override {
        return call("IVGDocument.BeginCommandGroup", [&] {
            DocumentEntry& d = doc();
            d.undo.beginGroup(name ? name : u"", d.drawing);
        });
    }
    HRESULT EndCommandGroup() override {
        return call("IVGDocument.EndCommandGroup", [&] {
            if (!doc().undo.endGroup())
                fail(E_FAIL, u"no command group is open");
        });
    }
    HRESULT Undo(int32_t levels) override {
        return call("IVGDocument.Undo", [&] { step(levels, &UndoStack::undo); });
    }
    HRESULT Redo(int32_t levels) override {
        return call("IVGDocument.Redo", [&] { step(levels, &UndoStack::redo); });
    }
    HRESULT Activate() override {
        return call("IVGDocument.Activate", [&] {
            doc();
            if (std::find(state_->documents.begin(), state_->documents.end(), doc_) ==
                state_->documents.end())
                failGone(); // closing: out of the collection already
            state_->active = doc_;
            state_->touch();
        });
    }
    HRESULT ExportEx(const char16_t* fileName, int32_t filter, int32_t range,
                     IVGStructExportOptions* options, IDispatch* paletteOptions,
                     IVGExportFilter** out) override {
        return call("IVGDocument.ExportEx", [&] {
            need(out);
            *out = newExportFilterObject(state_, doc_, fileName, filter, range, options,
                                         paletteOptions);
        });
    }

private:
    DocumentEntry& doc() { return openDocument(doc_); }

    void step(int32_t levels, int (UndoStack::*move)(int, model::Drawing&)) {
        DocumentEntry& d = doc();
        if (levels < 1)
            fail(E_INVALIDARG, u"levels must be at least 1");
        if (d.undo.groupDepth() > 0)
            fail(E_FAIL, u"a command group is open");
        const auto selectionBefore = d.drawing.selection;
        const model::Id pageBefore = d.drawing.activePage;
        (d.undo.*move)(levels, d.drawing);
        // Which page is shown is a view matter: undo keeps it while it exists.
        if (model::findPage(d.drawing, pageBefore))
            d.drawing.activePage = pageBefore;
        else if (!model::findPage(d.drawing, d.drawing.activePage))
            d.drawing.activePage = d.drawing.pages.front().id;
        state_->touch();
        state_->selectionMayHaveChanged(d, selectionBefore);
    }

    EntryPtr doc_;
};

class WindowObject final : public ComObject<IVGWindow> {
public:
    WindowObject(StatePtr state, EntryPtr doc) : ComObject(std::move(state)), doc_(doc) {}

    HRESULT get_Caption(BSTR* out) override {
        return call("IVGWindow.get_Caption",
                    [&] { *need(out) = allocBstr(openDocument(doc_).name); });
    }

private:
    EntryPtr doc_;
};

class PagesObject final : public ComObject<IVGPages> {
public:
    PagesObject(StatePtr state, EntryPtr doc) : ComObject(std::move(state)), doc_(doc) {}

    HRESULT get_Count(int32_t* out) override {
        return call("IVGPages.get_Count",
                    [&] { *need(out) = countOf(openDocument(doc_).drawing.pages.size()); });
    }
    HRESULT get_Item(int32_t index, IVGPage** out) override {
        return call("IVGPages.get_Item", [&] {
            need(out);
            const auto& pages = openDocument(doc_).drawing.pages;
            checkIndex(index, pages.size());
            *out = newPageObject(state_, doc_, pages[index - 1].id);
        });
    }

private:
    EntryPtr doc_;
};

class PageObject final : public ComObject<IVGPage> {
public:
    PageObject(StatePtr state, EntryPtr doc, model::Id page)
        : ComObject(std::move(state)), doc_(doc), page_(page) {}

    HRESULT get_Index(int32_t* out) override {
        return call("IVGPage.get_Index", [&] {
            const auto& pages = doc_->drawing.pages;
            const model::Page& p = page();
            *need(out) = countOf(&p - pages.data()) + 1;
        });
    }
    HRESULT get_Name(BSTR* out) override {
        return call("IVGPage.get_Name", [&] { *need(out) = allocBstr(page().name); });
    }
    HRESULT get_Shapes(IVGShapes** out) override {
        return call("IVGPage.get_Shapes", [&] {
            page();
            *need(out) = newShapesObject(state_, doc_, ShapeSource{ShapeSource::Kind::Page, page_});
        });
    }
    HRESULT get_SizeWidth(double* out) override {
        return call("IVGPage.get_SizeWidth",
                    [&] { *need(out) = toUnit(page().width, doc_->unit); });
    }
    HRESULT put_SizeWidth(double value) override {
        return call("IVGPage.put_SizeWidth",
                    [&] { resize(value, &model::Page::width, u"Page width"); });
    }
    HRESULT get_SizeHeight(double* out) override {
        return call("IVGPage.get_SizeHeight",
                    [&] { *need(out) = toUnit(page().height, doc_->unit); });
    }
    HRESULT put_SizeHeight(double value) override {
        return call("IVGPage.put_SizeHeight",
                    [&] { resize(value, &model::Page::height, u"Page height"); });
    }
    HRESULT Activate() override {
        return call("IVGPage.Activate", [&] {
            page();
            doc_->drawing.activePage = page_;
            state_->touch();
        });
    }
    HRESULT get_PositionX(double* out) override {
        return call("IVGPage.get_PositionX", [&] { *need(out) = toUnit(page().x, doc_->unit); });
    }
    HRESULT get_PositionY(double* out) override {
        return call("IVGPage.get_PositionY", [&] { *need(out) = toUnit(page().y, doc_->unit); });
    }

private:
    model::Page& page() { return livePage(doc_, page_); }

    void resize(double value, double model::Page::*side, const std::u16string& step) {
        page();
        if (!(value > 0) || !std::isfinite(value))
            fail(E_INVALIDARG, u"a page side must be a positive length");
        const double mm = fromUnit(value, doc_->unit);
        state_->edit(*doc_, step,
                     [&](model::Drawing& d) { model::findPage(d, page_)->*side = mm; });
    }

    EntryPtr doc_;
    model::Id page_;
};

class LayerObject final : public ComObject<IVGLayer> {
public:
    LayerObject(StatePtr state, EntryPtr doc, model::Id page, model::Id layer)
        : ComObject(std::move(state)), doc_(doc), page_(page), layer_(layer) {}

    HRESULT get_Name(BSTR* out) override {
        return call("IVGLayer.get_Name", [&] { *need(out) = allocBstr(layer().name); });
    }
    HRESULT get_Shapes(IVGShapes** out) override {
        return call("IVGLayer.get_Shapes", [&] {
            layer();
            *need(out) =
                newShapesObject(state_, doc_, ShapeSource{ShapeSource::Kind::Layer, page_, layer_});
        });
    }

private:
    model::Layer& layer() {
        model::Layer* l = model::findLayer(livePage(doc_, page_), layer_);
        if (!l)
            failGone();
        return *l;
    }

    EntryPtr doc_;
    model::Id page_;
    model::Id layer_;
};

} // namespace

IVGDocuments* newDocumentsObject(const StatePtr& state) {
    return new DocumentsObject(state);
}

IVGDocument* documentObject(const StatePtr& state, const EntryPtr& doc) {
    if (auto* known = static_cast<DocumentObject*>(doc->object); known && known->tryAddRef())
        return known;
    auto* fresh = new DocumentObject(state, doc);
    doc->object = fresh;
    return fresh;
}

IVGWindow* newWindowObject(const StatePtr& state, const EntryPtr& doc) {
    return new WindowObject(state, doc);
}
IVGPages* newPagesObject(const StatePtr& state, const EntryPtr& doc) {
    return new PagesObject(state, doc);
}
IVGPage* newPageObject(const StatePtr& state, const EntryPtr& doc, model::Id page) {
    return new PageObject(state, doc, page);
}
IVGLayer* newLayerObject(const StatePtr& state, const EntryPtr& doc, model::Id page,
                         model::Id layer) {
    return new LayerObject(state, doc, page, layer);
}

} // namespace mosvik::host
