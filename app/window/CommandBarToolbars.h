// The host's command bars as the window's tool bars. Each visible bar
// becomes a QToolBar named after the bar (objectName) and titled by its
// caption; its items become actions in order: a plug-in item raises the
// plug-in command event when clicked, a host item stands in for one of the
// window's own actions (new, open, save, undo, ...), the host separator is
// a separator. An item with no icon shows its caption.
//
// The bars are rebuilt only when the host's configuration changed (a
// workspace import, a bar shown, hidden or deleted).
//
// Threads: user-interface thread.
#pragma once

#include "host/Application.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <vector>

class QAction;
class QMainWindow;
class QToolBar;

namespace mosvik::app {

class CommandBarToolbars : public QObject {
    Q_OBJECT
public:
    // The window's action for a host command ("file.new", ...), or null.
    using HostActionLookup = std::function<QAction*(const QString& hostCommand)>;

    CommandBarToolbars(QMainWindow& window, host::Application& host, HostActionLookup lookup);

    // Rebuilds the tool bars when the host's bars changed; true when it did.
    bool sync();
    // Enables plug-in items from the host's command-state answers; a
    // command missing from `states` is disabled.
    void applyStates(const std::map<std::u16string, host::CommandState>& states);
    const std::vector<QToolBar*>& toolbars() const { return toolbars_; }

signals:
    void pluginCommand(const QString& commandId);

private:
    void build(const std::vector<host::CommandBarInfo>& bars);
    QAction* makeItem(QToolBar& bar, const host::CommandBarItemInfo& item);

    QMainWindow& window_;
    host::Application& host_;
    HostActionLookup lookup_;
    QString signature_;
    std::vector<QToolBar*> toolbars_;
    std::vector<std::pair<std::u16string, QAction*>> pluginItems_;
};

// A text that changes whenever anything shown of the bars changes.
QString commandBarsSignature(const std::vector<host::CommandBarInfo>& bars);

} // namespace mosvik::app
