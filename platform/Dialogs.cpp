#include "Dialogs.h"

#include "QtDialogs.h"
#include "UiThread.h"

#include <QCoreApplication>
#include <QVariant>

namespace mosvik::platform {

namespace {
// Dynamic property of the QCoreApplication that holds the current service.
constexpr const char* CurrentServiceProperty = "mosvik1.dialogs";

// Without an application object there is nowhere to keep a shared service;
// this module's own slot stands in.
DialogService* localService = nullptr;

DialogService* current() {
    auto* app = QCoreApplication::instance();
    if (!app)
        return localService;
    return static_cast<DialogService*>(app->property(CurrentServiceProperty).value<void*>());
}

void install(DialogService* service) {
    if (auto* app = QCoreApplication::instance())
        app->setProperty(CurrentServiceProperty, QVariant::fromValue(static_cast<void*>(service)));
    else
        localService = service;
}
} // namespace

DialogService& dialogs() {
    if (DialogService* service = current())
        return *service;
    static QtDialogs qtDialogs;
    return qtDialogs;
}

DialogsOverride::DialogsOverride(DialogService& service) : previous_(current()) {
    install(&service);
}

DialogsOverride::~DialogsOverride() {
    install(previous_);
}

MsgButton messageBox(QWidget* owner, const QString& text, const QString& caption, MsgIcon icon,
                     MsgButtons buttons) {
    const MessageBoxRequest request{owner, text, caption, icon, buttons};
    return onUiThread([&] { return dialogs().messageBox(request); });
}

std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                const QString& defaultText, QWidget* owner) {
    const InputBoxRequest request{owner, caption, prompt, defaultText};
    return onUiThread([&] { return dialogs().inputBox(request); });
}

std::optional<QString> browseFolder(QWidget* owner, const QString& title,
                                    const QString& startFolder) {
    const FolderRequest request{owner, title, startFolder};
    return onUiThread([&] { return dialogs().browseFolder(request); });
}

} // namespace mosvik::platform
