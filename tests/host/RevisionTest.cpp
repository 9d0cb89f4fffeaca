// The revision count a window uses to tell whether to read the host again:
// it grows with every visible change and stays put while only reading.
#include "HostFixture.h"

namespace mosvik::host::test {
namespace {

using namespace com;

TEST(Revision, GrowsWithChangesAndNotWithReads) {
    Application app;
    const DocumentId doc = app.newDocument(u"图");
    const model::Id shape = app.addShape(doc, model::shape(ShapeRectangle, 1, 1, 5, 5));
    app.addPage(doc);
    auto document = app.documentObject(doc);

    struct Step {
        const char* what;
        std::function<void()> act;
        bool changes;
    } steps[] = {
        {"read the drawing", [&] { (void)app.drawing(doc); }, false},
        {"read through automation", [&] { (void)host_ops::pageCount(document.get()); }, false},
        {"select", [&] { app.setSelection(doc, {shape}); }, true},
        {"move",
         [&] {
             app.edit(doc, u"移动", [&](model::Drawing& d) {
                 model::move(model::locate(d, shape)->shape(), 1, 0);
             });
         },
         true},
        {"undo", [&] { host_ops::undo(document.get(), 1); }, true},
        {"unit", [&] { host_ops::setUnit(document.get(), UnitPixels); }, true},
        {"page", [&] { check(document, host_ops::pageAt(document.get(), 2)->Activate()); }, true},
        {"new document", [&] { app.newDocument(); }, true},
        {"activate", [&] { app.activateDocument(doc); }, true},
        {"close", [&] { app.closeDocument(app.documents().back()); }, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        const uint64_t before = app.revision();
        step.act();
        EXPECT_EQ(app.revision() != before, step.changes);
    }
}

} // namespace
} // namespace mosvik::host::test
