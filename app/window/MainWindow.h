// The host application's main window: menus, the host's command bars as
// tool bars, document tabs, the canvas with the active page, page tabs and
// a status bar. It drives the host as a user would, and the host raises the
// application events a real host raises at those moments (docs/
// host-application.md lists them).
//
// The plug-in changes documents behind the window's back (its tool windows
// work on the host directly), so the window follows the host: refresh()
// brings everything up to date and runs on an idle timer as well as after
// every action of the user.
//
// Ownership: borrows the host application, which outlives the window.
// Threads: user-interface thread.
#pragma once

#include "app/window/CanvasWidget.h"
#include "app/window/CommandBarToolbars.h"
#include "host/Application.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <vector>

class QActionGroup;
class QLabel;
class QMenu;
class QTabBar;
class QTimer;

namespace mosvik::app {

class HostSession;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(host::Application& host, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window's native handle as the host hands it to plug-ins: winId
    // truncated to 32 bits. Creates the native window when needed.
    int32_t nativeHandle();
    // Gives the host the handle, then loads the plug-in and raises the start
    // event, then shows the bars the plug-in installed. A plug-in that fails
    // to load is reported; the window goes on without it.
    bool startPlugin(HostSession& session);

    // Brings documents, pages, drawing, status, menus and bars up to date.
    void refresh();
    // Asks the plug-in (event 21) which of its commands are enabled.
    void refreshCommandStates();

    // The user's actions; each reports failures through the error reporter.
    host::DocumentId newDocument();
    bool openFile(const QString& path);
    bool save(host::DocumentId doc);
    bool saveAs(host::DocumentId doc, const QString& path);
    bool closeDocument(host::DocumentId doc);
    void switchToDocument(host::DocumentId doc);
    void switchToPage(int index);
    // Raises the plug-in command event (20), as a click on its item does.
    void runPluginCommand(const QString& commandId);
    void undo();
    void redo();
    void deleteSelection();

    host::DocumentId activeDocument() const { return active_; }
    QString fileOf(host::DocumentId doc) const;
    CanvasWidget* canvas() const { return canvas_; }
    QTabBar* documentTabs() const { return documentTabs_; }
    QTabBar* pageTabs() const { return pageTabs_; }
    QMenu* pluginMenu() const { return pluginMenu_; }
    QLabel* selectionLabel() const { return selectionLabel_; }
    CommandBarToolbars& commandBars() { return *bars_; }
    // The window's own action for a host command: "file.new", "file.open",
    // "file.save", "file.saveAs", "file.close", "edit.undo", "edit.redo",
    // "edit.delete", "edit.selectAll", "tool.pick", "tool.rectangle", ...
    QAction* hostAction(const QString& hostCommand) const;

    using ErrorReporter = std::function<void(const QString& caption, const QString& text)>;
    // Replaces the message box (tests read what would have been shown).
    void setErrorReporter(ErrorReporter reporter) { report_ = std::move(reporter); }

signals:
    // The window accepted closing: QueryQuit was not cancelled and Quit raised.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QAction* addHostAction(QMenu* menu, const QString& hostCommand, const QString& text,
                           const QKeySequence& shortcut, std::function<void()> handler);
    void syncDocumentTabs();
    void syncPageTabs(const host::model::Drawing& drawing);
    void syncUndoActions();
    void syncPluginMenu();
    void applyCommandStates(const std::map<std::u16string, host::CommandState>& states);
    void fail(const QString& text);
    // Runs a user action, turning an escaping failure into an error box.
    void guarded(const std::function<void()>& action);
    void openWithDialog();
    void saveAsWithDialog(host::DocumentId doc);

    host::Application& host_;
    CanvasWidget* canvas_ = nullptr;
    QTabBar* documentTabs_ = nullptr;
    QTabBar* pageTabs_ = nullptr;
    QLabel* selectionLabel_ = nullptr;
    QLabel* pointerLabel_ = nullptr;
    QMenu* pluginMenu_ = nullptr;
    QActionGroup* tools_ = nullptr;
    CommandBarToolbars* bars_ = nullptr;
    QTimer* idle_ = nullptr;
    std::map<QString, QAction*> hostActions_;
    std::vector<std::pair<std::u16string, QAction*>> pluginActions_;
    QString pluginMenuSignature_;
    ErrorReporter report_;

    host::DocumentId active_ = 0;
    std::vector<host::DocumentId> shownDocuments_;
    std::vector<host::model::Id> shownSelection_;
    std::map<host::DocumentId, QString> files_;
    int untitled_ = 0;
    int idleTicks_ = 0;
    uint64_t shownRevision_ = ~uint64_t{0};
    bool refreshing_ = false;
};

// The file dialog's filters for opening and for saving.
QString openFilters();
QString saveFilters();
// "撤销 页面适配": an action's text with the step it acts on.
QString stepActionText(const QString& verb, const std::vector<std::u16string>& steps);

} // namespace mosvik::app
