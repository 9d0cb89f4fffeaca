#include "AllCommand.h"

#include "EventBracket.h"

#include "core/host/HostOps.h"

namespace mosvik {

using namespace com;

namespace {
// The host's text origin code that goes with aligning to the page.
constexpr int32_t TextOriginOfPageAlign = 2;

ComPtr<IVGRect> emptyRect(IVGApplication* app) {
    ComPtr<IVGRect> rect;
    check(app, app->CreateRect(0.0, 0.0, 0.0, 0.0, rect.put()));
    return rect;
}
} // namespace

TfAllCommand::TfAllCommand(QWidget* AOwner, IVGApplication* App) : TTBaseForm(AOwner, App) {
    setObjectName(QStringLiteral("fAllCommand"));
    setWindowTitle(QStringLiteral("fAllCommand"));
    SetClientSize(403, 227);
    btn1 = new QPushButton(QStringLiteral("btn1"), this);
    btn1->setObjectName(QStringLiteral("btn1"));
    btn1->setGeometry(8, 8, 75, 25);
}

void TfAllCommand::PageAdaptation() {
    auto page = host_ops::activePage(FApp.get());
    if (host_ops::shapeCount(page.get()) == 0)
        return;

    cmdName = QStringLiteral("页面适配");
    TEventBracket bracket(*this, true, true);

    auto shapes = host_ops::pageShapes(page.get());
    ComPtr<IVGShapeRange> range;
    check(shapes, shapes->All(range.put()));
    double width = 0;
    double height = 0;
    check(range, range->get_SizeWidth(&width));
    check(page, page->put_SizeWidth(width));
    check(range, range->get_SizeHeight(&height));
    check(page, page->put_SizeHeight(height));

    int32_t count = 0;
    check(range, range->get_Count(&count));
    if (count > 1) {
        // Moved as one group, the shapes keep their places relative to each
        // other; afterwards they are separate shapes again.
        ComPtr<IVGShape> group;
        check(range, range->Group(group.put()));
        check(range, range->CreateSelection());
        check(group, group->AddToSelection());
        auto rect = emptyRect(FApp.get());
        check(group,
              group->AlignAndDistribute(AlignHCenter, AlignVCenter, AlignToPage, 0, VARIANT_FALSE,
                                        TextOriginOfPageAlign, -1.0, -1.0, rect.get()));
        ComPtr<IVGShapeRange> members;
        check(group, group->Ungroup(members.put()));
    } else {
        auto rect = emptyRect(FApp.get());
        check(range,
              range->AlignAndDistribute(AlignHCenter, AlignVCenter, AlignToPage, 0, VARIANT_FALSE,
                                        TextOriginOfPageAlign, 0.0, 0.0, rect.get()));
    }

    bracket.end();
}

void TfAllCommand::SuperUndo() {
    // Optimisation only: a command group would turn the undo into a step.
    TEventBracket bracket(*this, true, false);
    host_ops::undo(host_ops::activeDocument(FApp.get()).get(), 1);
    bracket.end();
}

void TfAllCommand::SuperRedo() {
    TEventBracket bracket(*this, true, false);
    host_ops::redo(host_ops::activeDocument(FApp.get()).get(), 1);
    bracket.end();
}

} // namespace mosvik
