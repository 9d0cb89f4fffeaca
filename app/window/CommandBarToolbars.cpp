#include "CommandBarToolbars.h"

#include <QAction>
#include <QCryptographicHash>
#include <QIcon>
#include <QMainWindow>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>

namespace mosvik::app {

namespace {

QString text(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

void addImage(QCryptographicHash& hash, const QImage& image) {
    hash.addData(QByteArray::number(image.width()) + 'x' + QByteArray::number(image.height()));
    if (!image.isNull()) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        hash.addData(
            QByteArrayView(reinterpret_cast<const char*>(argb.constBits()), argb.sizeInBytes()));
    }
}

QIcon iconOf(const host::CommandBarItemInfo& item) {
    QIcon icon;
    if (!item.smallIcon.isNull())
        icon.addPixmap(QPixmap::fromImage(item.smallIcon));
    if (!item.largeIcon.isNull())
        icon.addPixmap(QPixmap::fromImage(item.largeIcon));
    return icon;
}

} // namespace

QString commandBarsSignature(const std::vector<host::CommandBarInfo>& bars) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const auto& bar : bars) {
        hash.addData(QStringLiteral("bar|%1|%2|%3|%4|")
                         .arg(text(bar.name), text(bar.caption), text(bar.guid))
                         .arg(bar.visible)
                         .toUtf8());
        if (!bar.visible)
            continue;
        for (const auto& item : bar.items) {
            hash.addData(QStringList{text(item.guid), text(item.commandId), text(item.hostCommand),
                                     text(item.caption), text(item.tooltip)}
                             .join(QChar(1))
                             .toUtf8());
            addImage(hash, item.smallIcon);
            addImage(hash, item.largeIcon);
        }
    }
    return QString::fromLatin1(hash.result().toHex());
}

CommandBarToolbars::CommandBarToolbars(QMainWindow& window, host::Application& host,
                                       HostActionLookup lookup)
    : QObject(&window), window_(window), host_(host), lookup_(std::move(lookup)) {}

bool CommandBarToolbars::sync() {
    const auto bars = host_.commandBars();
    const QString signature = commandBarsSignature(bars);
    if (signature == signature_)
        return false;
    signature_ = signature;
    build(bars);
    return true;
}

void CommandBarToolbars::build(const std::vector<host::CommandBarInfo>& bars) {
    for (QToolBar* bar : toolbars_) {
        window_.removeToolBar(bar);
        bar->deleteLater();
    }
    toolbars_.clear();
    pluginItems_.clear();
    for (const auto& info : bars) {
        if (!info.visible)
            continue;
        auto* bar = new QToolBar(text(info.caption.empty() ? info.name : info.caption), &window_);
        bar->setObjectName(text(info.name));
        bar->setIconSize(QSize(24, 24));
        for (const auto& item : info.items) {
            if (item.hostCommand == u"separator") {
                bar->addSeparator();
                continue;
            }
            QAction* action = makeItem(*bar, item);
            // Without an icon a tool button shows nothing: show the caption.
            if (action->icon().isNull())
                if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action)))
                    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        }
        window_.addToolBar(Qt::TopToolBarArea, bar);
        bar->show();
        toolbars_.push_back(bar);
    }
}

QAction* CommandBarToolbars::makeItem(QToolBar& bar, const host::CommandBarItemInfo& item) {
    QString caption = text(item.caption);
    auto* action = new QAction(iconOf(item), caption, &bar);
    action->setToolTip(item.tooltip.empty() ? caption : text(item.tooltip));
    action->setStatusTip(action->toolTip());
    bar.addAction(action);

    if (!item.commandId.empty()) {
        const QString id = text(item.commandId);
        action->setObjectName(id);
        action->setEnabled(false); // until the plug-in answers the state query
        pluginItems_.emplace_back(item.commandId, action);
        connect(action, &QAction::triggered, this, [this, id] { emit pluginCommand(id); });
        return action;
    }
    const QString hostCommand = text(item.hostCommand);
    action->setObjectName(hostCommand.isEmpty() ? text(item.guid) : hostCommand);
    QAction* target = lookup_ ? lookup_(hostCommand) : nullptr;
    if (!target) {
        action->setEnabled(false);
        return action;
    }
    if (caption.isEmpty())
        action->setText(target->text());
    action->setCheckable(target->isCheckable());
    auto follow = [action, target] {
        action->setEnabled(target->isEnabled());
        action->setChecked(target->isChecked());
    };
    follow();
    connect(target, &QAction::changed, action, follow);
    connect(action, &QAction::triggered, target, [target] { target->trigger(); });
    return action;
}

void CommandBarToolbars::applyStates(const std::map<std::u16string, host::CommandState>& states) {
    for (auto& [id, action] : pluginItems_) {
        const auto found = states.find(id);
        const bool enabled = found != states.end() && found->second.enabled;
        action->setEnabled(enabled);
        const bool checked = found != states.end() && found->second.checked != 0;
        action->setCheckable(checked);
        action->setChecked(checked);
    }
}

} // namespace mosvik::app
