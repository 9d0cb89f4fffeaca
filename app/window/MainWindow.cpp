#include "MainWindow.h"

#include "app/DocumentFiles.h"
#include "app/HostSession.h"
#include "app/window/HitTest.h"
#include "app/window/HostCalls.h"
#include "app/window/StatusText.h"
#include "host/files/NativeFormat.h"
#include "host/files/SvgExport.h"
#include "host/files/SvgImport.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace mosvik::app {

namespace model = host::model;
using host::EventArg;

namespace {

QString text(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

// The host names its own steps in English; the window shows them as the
// Chinese user interface calls them.
QString stepCaption(const std::u16string& step) {
    static const std::map<std::u16string, QString> names = {
        {u"Create", QStringLiteral("创建")},         {u"Delete", QStringLiteral("删除")},
        {u"Page width", QStringLiteral("页面宽度")}, {u"Page height", QStringLiteral("页面高度")},
        {u"Group", QStringLiteral("群组")},          {u"Ungroup", QStringLiteral("取消群组")},
        {u"Align", QStringLiteral("对齐")},          {u"Add page", QStringLiteral("插入页面")},
    };
    const auto found = names.find(step);
    return found != names.end() ? found->second : text(step);
}

QString pageCaption(const model::Page& page, int index) {
    return page.name.empty() ? QStringLiteral("页 %1").arg(index + 1) : text(page.name);
}

} // namespace

QString stepActionText(const QString& verb, const std::vector<std::u16string>& steps) {
    return steps.empty() ? verb : verb + QLatin1Char(' ') + stepCaption(steps.front());
}

QString openFilters() {
    return QStringLiteral("绘图文件 (*.%1 *.svg);;所有文件 (*)").arg(host::files::nativeSuffix);
}

QString saveFilters() {
    return QStringLiteral("绘图文件 (*.%1);;SVG 文件，当前页 (*.svg)")
        .arg(host::files::nativeSuffix);
}

MainWindow::MainWindow(host::Application& host, QWidget* parent)
    : QMainWindow(parent), host_(host) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("mosvik1 绘图"));
    resize(1100, 760);
    report_ = [this](const QString& caption, const QString& message) {
        QMessageBox::critical(this, caption, message);
    };

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    documentTabs_ = new QTabBar(central);
    documentTabs_->setObjectName(QStringLiteral("documentTabs"));
    documentTabs_->setTabsClosable(true);
    documentTabs_->setDocumentMode(true);
    documentTabs_->setExpanding(false);
    canvas_ = new CanvasWidget(host_, central);
    pageTabs_ = new QTabBar(central);
    pageTabs_->setObjectName(QStringLiteral("pageTabs"));
    pageTabs_->setShape(QTabBar::RoundedSouth);
    pageTabs_->setExpanding(false);
    layout->addWidget(documentTabs_);
    layout->addWidget(canvas_, 1);
    layout->addWidget(pageTabs_);
    setCentralWidget(central);

    selectionLabel_ = new QLabel(this);
    selectionLabel_->setObjectName(QStringLiteral("selectionStatus"));
    pointerLabel_ = new QLabel(this);
    pointerLabel_->setObjectName(QStringLiteral("pointerStatus"));
    pointerLabel_->setMinimumWidth(180);
    statusBar()->addWidget(selectionLabel_, 1);
    statusBar()->addPermanentWidget(pointerLabel_);

    buildMenus();
    bars_ = new CommandBarToolbars(*this, host_,
                                   [this](const QString& command) { return hostAction(command); });

    connect(bars_, &CommandBarToolbars::pluginCommand, this,
            [this](const QString& id) { runPluginCommand(id); });
    connect(documentTabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0)
            switchToDocument(documentTabs_->tabData(index).toULongLong());
    });
    connect(documentTabs_, &QTabBar::tabCloseRequested, this,
            [this](int index) { closeDocument(documentTabs_->tabData(index).toULongLong()); });
    connect(pageTabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0)
            switchToPage(index);
    });
    connect(canvas_, &CanvasWidget::edited, this, [this] { refresh(); });
    connect(canvas_, &CanvasWidget::pointerMoved, this, [this](QPointF p) {
        const int32_t unit = documentUnit(host_, active_);
        pointerLabel_->setText(
            QStringLiteral("x %1  y %2").arg(lengthText(p.x(), unit), lengthText(p.y(), unit)));
    });

    // A real host re-reads document state and asks for command states when
    // it is idle; the plug-in's windows change documents at any time.
    idle_ = new QTimer(this);
    idle_->setInterval(250);
    connect(idle_, &QTimer::timeout, this, [this] {
        // Reading the host copies the drawing: only when something changed.
        if (host_.revision() != shownRevision_)
            refresh();
        if (++idleTicks_ % 4 == 0)
            refreshCommandStates();
    });
    idle_->start();
    refresh();
}

MainWindow::~MainWindow() = default;

int32_t MainWindow::nativeHandle() {
    return static_cast<int32_t>(static_cast<uint32_t>(winId()));
}

bool MainWindow::startPlugin(HostSession& session) {
    host_.setMainWindowHandle(nativeHandle());
    const bool started = session.start();
    if (!started)
        report_(QStringLiteral("错误"),
                QStringLiteral("插件无法加载，程序将在没有插件的情况下运行。\n\n%1")
                    .arg(session.pluginError()));
    refresh();
    refreshCommandStates();
    return started;
}

QAction* MainWindow::addHostAction(QMenu* menu, const QString& hostCommand, const QString& label,
                                   const QKeySequence& shortcut, std::function<void()> handler) {
    auto* action = new QAction(label, this);
    action->setObjectName(hostCommand);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this,
            [this, handler = std::move(handler)] { guarded(handler); });
    if (menu)
        menu->addAction(action);
    hostActions_[hostCommand] = action;
    return action;
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->setObjectName(QStringLiteral("fileMenu"));
    addHostAction(file, QStringLiteral("file.new"), QStringLiteral("新建"), QKeySequence::New,
                  [this] { newDocument(); });
    addHostAction(file, QStringLiteral("file.open"), QStringLiteral("打开..."), QKeySequence::Open,
                  [this] { openWithDialog(); });
    addHostAction(file, QStringLiteral("file.save"), QStringLiteral("保存"), QKeySequence::Save,
                  [this] { save(active_); });
    addHostAction(file, QStringLiteral("file.saveAs"), QStringLiteral("另存为..."),
                  QKeySequence::SaveAs, [this] { saveAsWithDialog(active_); });
    addHostAction(file, QStringLiteral("file.close"), QStringLiteral("关闭"), QKeySequence::Close,
                  [this] { closeDocument(active_); });
    file->addSeparator();
    addHostAction(file, QStringLiteral("file.quit"), QStringLiteral("退出"), QKeySequence::Quit,
                  [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("编辑(&E)"));
    edit->setObjectName(QStringLiteral("editMenu"));
    addHostAction(edit, QStringLiteral("edit.undo"), QStringLiteral("撤销"), QKeySequence::Undo,
                  [this] { undo(); });
    addHostAction(edit, QStringLiteral("edit.redo"), QStringLiteral("重做"), QKeySequence::Redo,
                  [this] { redo(); });
    edit->addSeparator();
    addHostAction(edit, QStringLiteral("edit.delete"), QStringLiteral("删除"), QKeySequence::Delete,
                  [this] { deleteSelection(); });
    addHostAction(edit, QStringLiteral("edit.selectAll"), QStringLiteral("全选"),
                  QKeySequence::SelectAll, [this] {
                      canvas_->controller().selectAll(active_);
                      refresh();
                  });

    QMenu* view = menuBar()->addMenu(QStringLiteral("视图(&V)"));
    view->setObjectName(QStringLiteral("viewMenu"));
    addHostAction(view, QStringLiteral("view.zoomIn"), QStringLiteral("放大"), QKeySequence::ZoomIn,
                  [this] { canvas_->zoomIn(); });
    addHostAction(view, QStringLiteral("view.zoomOut"), QStringLiteral("缩小"),
                  QKeySequence::ZoomOut, [this] { canvas_->zoomOut(); });
    addHostAction(view, QStringLiteral("view.fitPage"), QStringLiteral("缩放到页面"),
                  QKeySequence(Qt::SHIFT | Qt::Key_F4), [this] { canvas_->fitPage(); });

    QMenu* layout = menuBar()->addMenu(QStringLiteral("版面(&L)"));
    layout->setObjectName(QStringLiteral("layoutMenu"));
    addHostAction(layout, QStringLiteral("page.add"), QStringLiteral("插入页面"), {}, [this] {
        const model::Drawing before = host_.drawing(active_);
        const model::Page* page = activePage(before);
        host_.addPage(active_, page ? page->width : 210, page ? page->height : 297);
        refresh();
        switchToPage(pageTabs_->count() - 1);
    });

    QMenu* tools = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    tools->setObjectName(QStringLiteral("toolsMenu"));
    tools_ = new QActionGroup(this);
    tools_->setExclusive(true);
    const std::pair<const char*, std::pair<QString, Tool>> toolList[] = {
        {"tool.pick", {QStringLiteral("挑选工具"), Tool::Pick}},
        {"tool.rectangle", {QStringLiteral("矩形工具"), Tool::Rectangle}},
        {"tool.ellipse", {QStringLiteral("椭圆形工具"), Tool::Ellipse}},
    };
    for (const auto& [command, entry] : toolList) {
        const Tool tool = entry.second;
        QAction* action = addHostAction(tools, QString::fromLatin1(command), entry.first, {},
                                        [this, tool] { canvas_->controller().setTool(tool); });
        action->setCheckable(true);
        action->setChecked(tool == Tool::Pick);
        tools_->addAction(action);
    }
    // Shapes carry no text of their own to type into yet.
    QAction* text =
        addHostAction(tools, QStringLiteral("tool.text"), QStringLiteral("文本工具"), {}, [] {});
    text->setEnabled(false);

    pluginMenu_ = menuBar()->addMenu(QStringLiteral("插件(&P)"));
    pluginMenu_->setObjectName(QStringLiteral("pluginMenu"));
    pluginMenu_->setToolTipsVisible(true);
}

QAction* MainWindow::hostAction(const QString& hostCommand) const {
    const auto found = hostActions_.find(hostCommand);
    return found != hostActions_.end() ? found->second : nullptr;
}

QString MainWindow::fileOf(host::DocumentId doc) const {
    const auto found = files_.find(doc);
    return found != files_.end() ? found->second : QString();
}

void MainWindow::fail(const QString& message) {
    if (report_)
        report_(QStringLiteral("错误"), message);
}

void MainWindow::guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        fail(QString::fromUtf8(e.what()));
    } catch (...) {
        fail(QStringLiteral("未知错误"));
    }
    refresh();
}

void MainWindow::refresh() {
    // The timer can fire inside a plug-in's modal loop started from a
    // refresh (a message box during the state query).
    if (refreshing_)
        return;
    refreshing_ = true;
    shownRevision_ = host_.revision();
    try {
        const auto documentsBefore = shownDocuments_;
        syncDocumentTabs();
        const model::Drawing drawing = active_ ? host_.drawing(active_) : model::Drawing{};
        syncPageTabs(drawing);
        canvas_->setDrawing(active_, drawing);
        selectionLabel_->setText(active_ ? selectionStatus(drawing, documentUnit(host_, active_))
                                         : QStringLiteral("没有打开的文档"));
        syncUndoActions();
        const bool open = active_ != 0;
        for (const char* command : {"file.save", "file.saveAs", "file.close", "edit.selectAll",
                                    "view.zoomIn", "view.zoomOut", "view.fitPage", "page.add"})
            hostAction(QString::fromLatin1(command))->setEnabled(open);
        hostAction(QStringLiteral("edit.delete"))->setEnabled(!drawing.selection.empty());

        const bool barsChanged = bars_->sync();
        syncPluginMenu();
        const bool selectionChanged = drawing.selection != shownSelection_;
        shownSelection_ = drawing.selection;
        if (barsChanged || selectionChanged || documentsBefore != shownDocuments_)
            refreshCommandStates();
    } catch (const std::exception& e) {
        refreshing_ = false;
        fail(QString::fromUtf8(e.what()));
        return;
    }
    refreshing_ = false;
}

void MainWindow::syncDocumentTabs() {
    const auto docs = host_.documents();
    active_ = host_.activeDocument();
    const QSignalBlocker block(documentTabs_);
    if (docs != shownDocuments_) {
        while (documentTabs_->count() > 0)
            documentTabs_->removeTab(0);
        for (host::DocumentId doc : docs) {
            const int index = documentTabs_->addTab(QString());
            documentTabs_->setTabData(index, QVariant::fromValue<qulonglong>(doc));
        }
        shownDocuments_ = docs;
        for (auto it = files_.begin(); it != files_.end();)
            it = std::find(docs.begin(), docs.end(), it->first) == docs.end() ? files_.erase(it)
                                                                              : std::next(it);
    }
    for (int i = 0; i < documentTabs_->count(); ++i) {
        const host::DocumentId doc = docs[static_cast<size_t>(i)];
        documentTabs_->setTabText(i, documentName(host_, doc));
        documentTabs_->setTabToolTip(i, fileOf(doc));
        if (doc == active_)
            documentTabs_->setCurrentIndex(i);
    }
    setWindowTitle(active_ ? QStringLiteral("mosvik1 绘图 - %1").arg(documentName(host_, active_))
                           : QStringLiteral("mosvik1 绘图"));
}

void MainWindow::syncPageTabs(const model::Drawing& drawing) {
    const QSignalBlocker block(pageTabs_);
    const int count = static_cast<int>(drawing.pages.size());
    while (pageTabs_->count() > count)
        pageTabs_->removeTab(pageTabs_->count() - 1);
    while (pageTabs_->count() < count)
        pageTabs_->addTab(QString());
    const model::Page* shown = activePage(drawing);
    for (int i = 0; i < count; ++i) {
        const model::Page& page = drawing.pages[static_cast<size_t>(i)];
        pageTabs_->setTabText(i, pageCaption(page, i));
        if (&page == shown)
            pageTabs_->setCurrentIndex(i);
    }
}

void MainWindow::syncUndoActions() {
    QAction* undoAction = hostAction(QStringLiteral("edit.undo"));
    QAction* redoAction = hostAction(QStringLiteral("edit.redo"));
    const auto undoSteps = active_ ? host_.undoSteps(active_) : std::vector<std::u16string>{};
    const auto redoSteps = active_ ? host_.redoSteps(active_) : std::vector<std::u16string>{};
    undoAction->setText(stepActionText(QStringLiteral("撤销"), undoSteps));
    undoAction->setEnabled(!undoSteps.empty());
    redoAction->setText(stepActionText(QStringLiteral("重做"), redoSteps));
    redoAction->setEnabled(!redoSteps.empty());
}

void MainWindow::syncPluginMenu() {
    const auto commands = host_.pluginCommands();
    QStringList parts;
    for (const auto& c : commands)
        parts << text(c.id) << text(c.caption) << text(c.tooltip);
    const QString signature = parts.join(QChar(1));
    if (signature == pluginMenuSignature_)
        return;
    pluginMenuSignature_ = signature;
    pluginMenu_->clear();
    pluginActions_.clear();
    for (const auto& c : commands) {
        const QString id = text(c.id);
        auto* action = pluginMenu_->addAction(c.caption.empty() ? id : text(c.caption), this,
                                              [this, id] { runPluginCommand(id); });
        action->setObjectName(id);
        action->setToolTip(text(c.tooltip));
        action->setStatusTip(text(c.tooltip));
        action->setEnabled(false);
        pluginActions_.emplace_back(c.id, action);
    }
    pluginMenu_->setEnabled(!commands.empty());
}

void MainWindow::refreshCommandStates() {
    std::map<std::u16string, host::CommandState> states;
    try {
        for (auto& [id, state] : host_.queryPluginCommandStates())
            states[id] = state;
    } catch (const std::exception& e) {
        fail(QString::fromUtf8(e.what()));
    }
    applyCommandStates(states);
}

void MainWindow::applyCommandStates(const std::map<std::u16string, host::CommandState>& states) {
    bars_->applyStates(states);
    for (auto& [id, action] : pluginActions_) {
        const auto found = states.find(id);
        action->setEnabled(found != states.end() && found->second.enabled);
    }
}

void MainWindow::runPluginCommand(const QString& commandId) {
    guarded([&] { host_.raisePluginCommand(commandId.toStdU16String()); });
    refreshCommandStates();
}

host::DocumentId MainWindow::newDocument() {
    host::DocumentId doc = 0;
    guarded([&] {
        doc = host_.newDocument(QStringLiteral("未命名-%1").arg(++untitled_).toStdU16String());
    });
    return doc;
}

bool MainWindow::openFile(const QString& path) {
    const QFileInfo info(path);
    model::Drawing drawing;
    QStringList warnings;
    try {
        drawing =
            isSvgPath(path) ? host::files::loadSvg(path, &warnings) : host::files::loadNative(path);
    } catch (const std::exception& e) {
        fail(QStringLiteral("无法打开“%1”。\n\n%2").arg(path, QString::fromUtf8(e.what())));
        return false;
    }
    bool opened = false;
    guarded([&] {
        const host::DocumentId doc =
            host_.openDocument(info.absoluteFilePath().toStdU16String(), std::move(drawing));
        // An SVG is imported: the document gets a native file when saved.
        if (!isSvgPath(path))
            files_[doc] = info.absoluteFilePath();
        opened = true;
    });
    if (opened && !warnings.isEmpty())
        platform::messageBox(this,
                             QStringLiteral("“%1”中有些内容无法读取，已打开能读取的部分：\n\n%2")
                                 .arg(path, warnings.mid(0, 20).join(QLatin1Char('\n'))),
                             QStringLiteral("提示"), platform::MsgIcon::Information);
    return opened;
}

bool MainWindow::save(host::DocumentId doc) {
    if (!doc)
        return false;
    const QString path = fileOf(doc);
    if (path.isEmpty()) {
        saveAsWithDialog(doc);
        return !fileOf(doc).isEmpty();
    }
    return saveAs(doc, path);
}

bool MainWindow::saveAs(host::DocumentId doc, const QString& path) {
    if (!doc)
        return false;
    const bool asNew = fileOf(doc) != path;
    const auto cancelled =
        host_.raiseEvent(com::EvQueryDocumentSave, {EventArg::doc(doc), EventArg::boolRef(false)});
    if (cancelled && (*cancelled)[1].flag)
        return false;
    const std::u16string fileName = path.toStdU16String();
    host_.raiseEvent(com::EvDocumentBeforeSave,
                     {EventArg::doc(doc), EventArg::boolean(asNew), EventArg::string(fileName)});
    try {
        if (isSvgPath(path))
            host::files::saveSvg(host_.drawing(doc), path);
        else
            host::files::saveNative(host_.drawing(doc), path);
    } catch (const std::exception& e) {
        fail(QStringLiteral("无法保存“%1”。\n\n%2").arg(path, QString::fromUtf8(e.what())));
        return false;
    }
    // An SVG holds one page of the drawing: the document keeps its own file.
    if (!isSvgPath(path))
        files_[doc] = path;
    host_.raiseEvent(com::EvDocumentAfterSave,
                     {EventArg::doc(doc), EventArg::boolean(asNew), EventArg::string(fileName)});
    refresh();
    return true;
}

bool MainWindow::closeDocument(host::DocumentId doc) {
    if (!doc)
        return false;
    bool closed = false;
    guarded([&] { closed = host_.closeDocument(doc); });
    if (closed)
        files_.erase(doc);
    return closed;
}

void MainWindow::switchToDocument(host::DocumentId doc) {
    if (!doc || doc == host_.activeDocument())
        return;
    guarded([&] {
        const host::DocumentId before = host_.activeDocument();
        if (before)
            host_.raiseEvent(com::EvWindowDeactivate,
                             {EventArg::doc(before), EventArg::window(before)});
        host_.activateDocument(doc);
        host_.raiseWindowActivate(doc);
    });
}

void MainWindow::switchToPage(int index) {
    if (!active_ || index < 0)
        return;
    guarded([&] { activatePage(host_, active_, index); });
}

void MainWindow::undo() {
    if (active_)
        guarded([&] { undoStep(host_, active_); });
}

void MainWindow::redo() {
    if (active_)
        guarded([&] { redoStep(host_, active_); });
}

void MainWindow::deleteSelection() {
    if (active_)
        guarded([&] { canvas_->controller().deleteSelection(active_); });
}

void MainWindow::openWithDialog() {
    const QStringList paths =
        QFileDialog::getOpenFileNames(this, QStringLiteral("打开"), QString(), openFilters());
    for (const QString& path : paths)
        openFile(path);
}

void MainWindow::saveAsWithDialog(host::DocumentId doc) {
    if (!doc)
        return;
    QString suggested = fileOf(doc);
    if (suggested.isEmpty())
        suggested = documentName(host_, doc) + QLatin1Char('.') + host::files::nativeSuffix;
    QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("另存为"), suggested, saveFilters());
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + host::files::nativeSuffix;
    saveAs(doc, path);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    bool cancelled = false;
    try {
        cancelled = host_.raiseQueryQuit();
        if (!cancelled)
            host_.raiseQuit();
    } catch (const std::exception& e) {
        fail(QString::fromUtf8(e.what()));
    }
    if (cancelled) {
        event->ignore();
        return;
    }
    idle_->stop();
    event->accept();
    emit closed();
}

} // namespace mosvik::app
