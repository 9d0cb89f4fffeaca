#include "BaseForm.h"

#include "BaseFormSink.h"
#include "HandlerGuard.h"

#include "core/host/HostOps.h"
#include "platform/Dialogs.h"

#include <QCloseEvent>
#include <QFont>

namespace mosvik {

using namespace com;

namespace {
template <class F> void quietly(F&& step) noexcept {
    try {
        step();
    } catch (...) {
        // Clean-up must not replace the error that brought us here.
    }
}
} // namespace

TTBaseForm::TTBaseForm(QWidget* AOwner, IVGApplication* App)
    : QWidget(AOwner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      FApp(App), sink_(new Sink(this)) {
    setObjectName(QStringLiteral("TBaseForm"));
    setWindowTitle(QStringLiteral("TBaseForm"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    SetClientSize(295, 309);
    // Closing frees the window, and with it its application reference.
    setAttribute(Qt::WA_DeleteOnClose);
    if (!AOwner)
        Application().Adopt(this);
}

TTBaseForm::~TTBaseForm() {
    // A window destroyed without being closed (with its owner, or unshown)
    // must not leave the host calling into it.
    if (FLCookie != 0 && FApp)
        quietly([&] { host_ops::unadviseEvents(FApp.get(), FLCookie); });
    sink_->detach();
    sink_->Release();
}

IDispatch* TTBaseForm::dispatch() const {
    return sink_;
}

bool TTBaseForm::runCreationHandler() {
    creating_ = true;
    FormCreate();
    creating_ = false;
    return !gaveUp_;
}

void TTBaseForm::SetClientSize(int width, int height) {
    setFixedSize(width, height);
}

void TTBaseForm::FormClose() {
    if (FLCookie != 0) {
        host_ops::unadviseEvents(FApp.get(), FLCookie);
        FLCookie = 0;
    }
}

void TTBaseForm::closeEvent(QCloseEvent* event) {
    // A failing close handler keeps the window open, its error shown.
    if (runGuarded(this, [&] { FormClose(); }))
        event->accept();
    else
        event->ignore();
}

void TTBaseForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (placed_)
        return;
    placed_ = true;
    if (QWidget* owner = parentWidget()) {
        const QRect area = owner->window()->frameGeometry();
        move(area.center() - rect().center());
    } else {
        Application().PlaceOverOwner(this);
    }
}

void TTBaseForm::StartEvent(bool hide, bool withCMD) {
    FEventHide = hide ? VARIANT_TRUE : VARIANT_FALSE;
    FWithCMD = withCMD ? VARIANT_TRUE : VARIANT_FALSE;
    if (withCMD) {
        auto doc = host_ops::activeDocument(FApp.get());
        host_ops::beginCommandGroup(doc.get(), cmdName.toStdU16String());
        groupOpen_ = true;
    }
    if (hide) {
        host_ops::setOptimization(FApp.get(), true);
        optimising_ = true;
    }
}

void TTBaseForm::EndEvent() {
    if (FWithCMD) {
        auto doc = host_ops::activeDocument(FApp.get());
        host_ops::endCommandGroup(doc.get());
        groupOpen_ = false;
    }
    if (FEventHide) {
        host_ops::setOptimization(FApp.get(), false);
        optimising_ = false;
    }
    host_ops::refresh(FApp.get());
}

void TTBaseForm::AbortEvent() noexcept {
    if (groupOpen_) {
        groupOpen_ = false;
        quietly([&] { host_ops::endCommandGroup(host_ops::activeDocument(FApp.get()).get()); });
    }
    if (optimising_) {
        optimising_ = false;
        quietly([&] { host_ops::setOptimization(FApp.get(), false); });
    }
    quietly([&] { host_ops::refresh(FApp.get()); });
}

bool TTBaseForm::CheckPrecondition(bool needDocument, bool needShapes) {
    const bool holds = preconditionHolds(needDocument, needShapes);
    if (!holds && creating_)
        gaveUp_ = true;
    return holds;
}

bool TTBaseForm::preconditionHolds(bool needDocument, bool needShapes) {
    auto refuse = [this](const QString& text) {
        platform::messageBox(this, text, QStringLiteral("错误"), platform::MsgIcon::Error,
                             platform::BtnOk);
        return false;
    };
    if ((needDocument || needShapes) && host_ops::documentCount(FApp.get()) == 0)
        return refuse(QStringLiteral("没有文档被打开！"));
    if (needShapes) {
        auto doc = host_ops::activeDocument(FApp.get());
        ComPtr<IVGPage> page;
        check(doc, doc->get_ActivePage(page.put()));
        if (!page || host_ops::shapeCount(page.get()) == 0)
            return refuse(QStringLiteral("到少需要一个对象！"));
    }
    return true;
}

void TTBaseForm::AdviseEvents() {
    FLCookie = host_ops::adviseEvents(FApp.get(), sink_);
}

} // namespace mosvik
