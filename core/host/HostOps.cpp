#include "HostOps.h"

namespace mosvik::host_ops {

using namespace com;

int32_t documentCount(IVGApplication* app) {
    ComPtr<IVGDocuments> docs;
    check(app, app->get_Documents(docs.put()));
    int32_t n = 0;
    check(docs, docs->get_Count(&n));
    return n;
}

ComPtr<IVGDocument> activeDocument(IVGApplication* app) {
    ComPtr<IVGDocument> doc;
    check(app, app->get_ActiveDocument(doc.put()));
    return required(std::move(doc), u"没有活动文档");
}

ComPtr<IVGPage> activePage(IVGApplication* app) {
    ComPtr<IVGPage> page;
    check(app, app->get_ActivePage(page.put()));
    return required(std::move(page), u"没有活动页面");
}

ComPtr<IVGLayer> activeLayer(IVGApplication* app) {
    ComPtr<IVGLayer> layer;
    check(app, app->get_ActiveLayer(layer.put()));
    return required(std::move(layer), u"没有活动图层");
}

ComPtr<IVGShape> activeSelection(IVGApplication* app) {
    ComPtr<IVGShape> sel;
    check(app, app->get_ActiveSelection(sel.put()));
    return required(std::move(sel), u"没有活动文档");
}

int32_t versionMajor(IVGApplication* app) {
    int32_t v = 0;
    check(app, app->get_VersionMajor(&v));
    return v;
}

int32_t mainWindowHandle(IVGApplication* app) {
    ComPtr<IVGAppWindow> window;
    check(app, app->get_AppWindow(window.put()));
    window = required(std::move(window), u"没有主窗口");
    int32_t handle = 0;
    check(window, window->get_Handle(&handle));
    return handle;
}

void setOptimization(IVGApplication* app, bool on) {
    check(app, app->put_Optimization(on ? VARIANT_TRUE : VARIANT_FALSE));
}

void refresh(IVGApplication* app) {
    check(app, app->Refresh());
}

int32_t adviseEvents(IVGApplication* app, IDispatch* sink) {
    int32_t cookie = 0;
    check(app, app->AdviseEvents(sink, &cookie));
    return cookie;
}

void unadviseEvents(IVGApplication* app, int32_t cookie) {
    check(app, app->UnadviseEvents(cookie));
}

void beginCommandGroup(IVGDocument* doc, const std::u16string& name) {
    check(doc, doc->BeginCommandGroup(name.c_str()));
}

void endCommandGroup(IVGDocument* doc) {
    check(doc, doc->EndCommandGroup());
}
void undo(IVGDocument* doc, int32_t levels) {
    check(doc, doc->Undo(levels));
}
void redo(IVGDocument* doc, int32_t levels) {
    check(doc, doc->Redo(levels));
}
void setUnit(IVGDocument* doc, int32_t unit) {
    check(doc, doc->put_Unit(unit));
}

ComPtr<IVGShapes> pageShapes(IVGPage* page) {
    ComPtr<IVGShapes> shapes;
    check(page, page->get_Shapes(shapes.put()));
    return required(std::move(shapes), u"页面没有对象集合");
}

int32_t shapeCount(IVGPage* page) {
    auto shapes = pageShapes(page);
    int32_t n = 0;
    check(shapes, shapes->get_Count(&n));
    return n;
}

std::u16string documentName(IVGDocument* doc) {
    Bstr name;
    check(doc, doc->get_Name(name.put()));
    return name.text();
}

namespace {
ComPtr<IVGPages> pagesOf(IVGDocument* doc) {
    ComPtr<IVGPages> pages;
    check(doc, doc->get_Pages(pages.put()));
    return required(std::move(pages), u"文档没有页面集合");
}
} // namespace

int32_t pageCount(IVGDocument* doc) {
    auto pages = pagesOf(doc);
    int32_t n = 0;
    check(pages, pages->get_Count(&n));
    return n;
}

ComPtr<IVGPage> pageAt(IVGDocument* doc, int32_t index) {
    auto pages = pagesOf(doc);
    ComPtr<IVGPage> page;
    check(pages, pages->get_Item(index, page.put()));
    return required(std::move(page), u"没有这个页面");
}

ComPtr<IVGPage> activePageOf(IVGDocument* doc) {
    ComPtr<IVGPage> page;
    check(doc, doc->get_ActivePage(page.put()));
    return required(std::move(page), u"没有活动页面");
}

std::u16string pageName(IVGPage* page) {
    Bstr name;
    check(page, page->get_Name(name.put()));
    return name.text();
}

} // namespace mosvik::host_ops
