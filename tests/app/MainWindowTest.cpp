// The main window with the real plug-in loaded the way the program loads it:
// the plug-in's bar as a tool bar, its commands in the menu and their
// states, the events the window has the host raise, and what the user sees.
#include "app/window/MainWindow.h"
#include "app/HostSession.h"
#include "host/files/NativeFormat.h"
#include "tests/host/HostFixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace mosvik::app {
namespace {

namespace model = host::model;
using host::test::RecordingSink;

const char16_t* const PluginBar = u"ormel201600401";

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { open(); }
    void TearDown() override { close(); }

    void open(int hostVersion = 18, QString plugin = defaultPluginPath()) {
        session = std::make_unique<HostSession>(std::move(plugin));
        session->host().setVersion(hostVersion);
        window = std::make_unique<MainWindow>(session->host());
        window->setErrorReporter([this](const QString& caption, const QString& text) {
            errors << caption + ": " + text;
        });
        window->resize(1000, 700);
        window->show();
    }
    void close() {
        if (cookie)
            host().com()->UnadviseEvents(cookie);
        cookie = 0;
        window.reset();
        session.reset();
    }
    void listen() { ASSERT_EQ(host().com()->AdviseEvents(&sink, &cookie), com::S_OK); }

    host::Application& host() { return session->host(); }
    QToolBar* pluginBar() {
        return window->findChild<QToolBar*>(QString::fromStdU16String(PluginBar));
    }
    std::vector<QAction*> items(QToolBar* bar) {
        std::vector<QAction*> result;
        for (QAction* a : bar->actions())
            if (!a->isSeparator())
                result.push_back(a);
        return result;
    }
    QAction* item(const QString& commandId) {
        QToolBar* bar = pluginBar();
        return bar ? bar->findChild<QAction*>(commandId) : nullptr;
    }
    QAction* menuItem(const QString& commandId) {
        return window->pluginMenu()->findChild<QAction*>(commandId);
    }
    void mouse(QEvent::Type type, QPointF page, Qt::MouseButton button,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        CanvasWidget* canvas = window->canvas();
        const QPointF at = canvas->view().toCanvas(page);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, at, canvas->viewport()->mapToGlobal(at), button, held, modifiers);
        QApplication::sendEvent(canvas->viewport(), &event);
    }

    std::unique_ptr<HostSession> session;
    std::unique_ptr<MainWindow> window;
    QStringList errors;
    RecordingSink sink;
    int32_t cookie = 0;
};

TEST_F(WindowTest, HostGetsTheWindowHandleBeforeThePluginStarts) {
    int32_t handleAtStart = 0;
    // The start event reaches the plug-in's sink only; the handle the host
    // holds then is what the plug-in reads when it asks.
    listen();
    sink.react = [&](int32_t dispId, com::DispParams*) {
        if (dispId == com::EvStart)
            handleAtStart = host().mainWindowHandle();
    };
    ASSERT_TRUE(window->startPlugin(*session)) << errors.join('\n').toStdString();
    EXPECT_EQ(handleAtStart, static_cast<int32_t>(window->winId()));
    EXPECT_EQ(QWidget::find(static_cast<WId>(static_cast<uint32_t>(handleAtStart))), window.get());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(WindowTest, PluginBarIsAToolbarWithItsItemsForEveryWorkspaceKind) {
    for (int version : {14, 17, 18}) {
        SCOPED_TRACE(version);
        close();
        open(version);
        ASSERT_TRUE(window->startPlugin(*session)) << errors.join('\n').toStdString();
        QToolBar* bar = pluginBar();
        ASSERT_NE(bar, nullptr);
        EXPECT_TRUE(bar->isVisible());
        EXPECT_EQ(window->toolBarArea(bar), Qt::TopToolBarArea);

        const auto bars = host().commandBars();
        const auto info = std::find_if(bars.begin(), bars.end(),
                                       [](const auto& b) { return b.name == PluginBar; });
        ASSERT_NE(info, bars.end());
        EXPECT_EQ(bar->windowTitle(), QString::fromStdU16String(info->caption));

        // Ten items in the bar's order: nine commands, each with the
        // caption, tooltip and icon the workspace gives it, and the host's
        // separator between 字体识别 and 超级撤销.
        const auto all = bar->actions();
        ASSERT_EQ(all.size(), 10);
        ASSERT_EQ(info->items.size(), 10u);
        for (int i = 0; i < all.size(); ++i) {
            const auto& expected = info->items[static_cast<size_t>(i)];
            QAction* a = all[i];
            SCOPED_TRACE(i);
            if (expected.hostCommand == u"separator") {
                EXPECT_TRUE(a->isSeparator());
                EXPECT_EQ(all[i - 1]->objectName(), QStringLiteral("mosvik1_字体识别"));
                EXPECT_EQ(all[i + 1]->objectName(), QStringLiteral("mosvik1_超级撤销"));
                continue;
            }
            EXPECT_EQ(a->objectName(), QString::fromStdU16String(expected.commandId));
            EXPECT_EQ(a->text(), QString::fromStdU16String(expected.caption));
            EXPECT_EQ(a->toolTip(), QString::fromStdU16String(expected.tooltip));
            ASSERT_FALSE(a->icon().isNull());
            EXPECT_EQ(a->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32),
                      expected.smallIcon.convertToFormat(QImage::Format_ARGB32));
        }
        EXPECT_EQ(items(bar).size(), 9u);

        // The host's own bars stand beside it.
        EXPECT_NE(window->findChild<QToolBar*>(QStringLiteral("Standard")), nullptr);
        EXPECT_NE(window->findChild<QToolBar*>(QStringLiteral("Toolbox")), nullptr);
    }
}

TEST_F(WindowTest, PluginItemsAreEnabledExactlyWhileADocumentIsOpen) {
    ASSERT_TRUE(window->startPlugin(*session));
    const QString id = QStringLiteral("mosvik1_导出图片");
    ASSERT_NE(item(id), nullptr);
    ASSERT_NE(menuItem(id), nullptr);
    EXPECT_EQ(window->pluginMenu()->actions().size(), 11);
    EXPECT_EQ(menuItem(id)->statusTip(), QStringLiteral("强大的导出图片工具"));
    EXPECT_EQ(menuItem(id)->text(), QStringLiteral("导出图片"));

    auto enabledCount = [&] {
        int n = 0;
        for (QAction* a : items(pluginBar()))
            n += a->isEnabled();
        for (QAction* a : window->pluginMenu()->actions())
            n += a->isEnabled();
        return n;
    };
    EXPECT_EQ(enabledCount(), 0);
    const host::DocumentId doc = window->newDocument();
    EXPECT_EQ(enabledCount(), 9 + 11);
    ASSERT_TRUE(window->closeDocument(doc));
    EXPECT_EQ(enabledCount(), 0);
    // The host's items follow the window's actions.
    QToolBar* standard = window->findChild<QToolBar*>(QStringLiteral("Standard"));
    ASSERT_NE(standard, nullptr);
    QAction* save = standard->findChild<QAction*>(QStringLiteral("file.save"));
    ASSERT_NE(save, nullptr);
    EXPECT_FALSE(save->isEnabled());
    window->newDocument();
    EXPECT_TRUE(save->isEnabled());
}

TEST_F(WindowTest, SuperUndoItemRaisesTheCommandAndThePluginUndoesOneStep) {
    ASSERT_TRUE(window->startPlugin(*session));
    listen();
    const host::DocumentId doc = window->newDocument();
    host().addShape(doc, model::shape(com::ShapeRectangle, 10, 10, 20, 20));
    host().addShape(doc, model::shape(com::ShapeEllipse, 50, 50, 20, 20));
    window->refresh();
    ASSERT_EQ(host().undoSteps(doc).size(), 2u);

    QAction* superUndo = item(QStringLiteral("mosvik1_超级撤销"));
    ASSERT_NE(superUndo, nullptr);
    ASSERT_TRUE(superUndo->isEnabled());
    superUndo->trigger();

    bool raised = false;
    for (const auto& e : sink.events())
        raised = raised || (e.dispId == com::EvOnPluginCommand &&
                            e.texts == std::vector<std::u16string>{u"mosvik1_超级撤销"});
    EXPECT_TRUE(raised);
    EXPECT_EQ(host().undoSteps(doc).size(), 1u);
    EXPECT_EQ(host().redoSteps(doc).size(), 1u);
    // The window follows: one shape left on the canvas, redo names the step.
    EXPECT_EQ(window->hostAction(QStringLiteral("edit.redo"))->text(), QStringLiteral("重做 创建"));
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(WindowTest, PluginWindowsAreOwnedByTheMainWindow) {
    ASSERT_TRUE(window->startPlugin(*session));
    window->newDocument();
    const auto before = QApplication::topLevelWidgets();
    window->runPluginCommand(QStringLiteral("mosvik1_全部"));
    QApplication::processEvents();
    QWidget* opened = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!before.contains(w) && w->isVisible())
            opened = w;
    ASSERT_NE(opened, nullptr);
    // The plug-in found this window by the handle the host gave it.
    ASSERT_NE(opened->windowHandle(), nullptr);
    EXPECT_EQ(opened->windowHandle()->transientParent(), window->windowHandle());
    // The main window ends first, then the plug-in with its windows; neither
    // may touch what the other left behind.
    close();
}

TEST_F(WindowTest, EditMenuNamesTheStepToUndoAndRedo) {
    const host::DocumentId doc = window->newDocument();
    QAction* undo = window->hostAction(QStringLiteral("edit.undo"));
    QAction* redo = window->hostAction(QStringLiteral("edit.redo"));
    EXPECT_EQ(undo->text(), QStringLiteral("撤销"));
    EXPECT_FALSE(undo->isEnabled());

    host().edit(doc, u"页面适配", [](model::Drawing& d) { d.pages[0].width = 100; });
    window->refresh();
    EXPECT_EQ(undo->text(), QStringLiteral("撤销 页面适配"));
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->shortcut(), QKeySequence(QKeySequence::Undo));

    undo->trigger();
    EXPECT_EQ(host().drawing(doc).pages[0].width, 210);
    EXPECT_EQ(undo->text(), QStringLiteral("撤销"));
    EXPECT_EQ(redo->text(), QStringLiteral("重做 页面适配"));
    redo->trigger();
    EXPECT_EQ(host().drawing(doc).pages[0].width, 100);
}

TEST_F(WindowTest, MouseSelectsAndMovesOnTheCanvasAndTheStatusBarFollows) {
    const host::DocumentId doc = window->newDocument();
    const model::Id a = host().addShape(doc, model::shape(com::ShapeRectangle, 20, 20, 40, 30));
    const model::Id b = host().addShape(doc, model::shape(com::ShapeEllipse, 100, 100, 30, 30));
    window->refresh();
    QLabel* status = window->selectionLabel();
    EXPECT_EQ(status->text(), QStringLiteral("未选择对象"));

    // Rubber band around both, then a drag of the selection.
    mouse(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    mouse(QEvent::MouseMove, {80, 80}, Qt::LeftButton);
    mouse(QEvent::MouseMove, {150, 150}, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, {150, 150}, Qt::LeftButton);
    EXPECT_EQ(host().drawing(doc).selection, (std::vector<model::Id>{b, a}));
    EXPECT_EQ(status->text(), QStringLiteral("已选择 2 个对象  宽 110.00 mm  高 110.00 mm"));

    const auto stepsBefore = host().undoSteps(doc).size();
    mouse(QEvent::MouseButtonPress, {40, 35}, Qt::LeftButton);
    mouse(QEvent::MouseMove, {50, 40}, Qt::LeftButton);
    mouse(QEvent::MouseMove, {60, 45}, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, {60, 45}, Qt::LeftButton);
    ASSERT_EQ(host().undoSteps(doc).size(), stepsBefore + 1);
    EXPECT_EQ(window->hostAction(QStringLiteral("edit.undo"))->text(), QStringLiteral("撤销 移动"));
    // Canvas positions are whole pixels: the move is exact to one pixel.
    const double pixel = 1 / window->canvas()->view().scale();
    EXPECT_NEAR(model::findShape(host().drawing(doc), a)->x, 40, pixel);
    EXPECT_NEAR(model::findShape(host().drawing(doc), b)->y, 110, pixel);

    // Shift-click drops one; the document's unit shows in the status bar.
    mouse(QEvent::MouseButtonPress, {135, 125}, Qt::LeftButton, Qt::ShiftModifier);
    mouse(QEvent::MouseButtonRelease, {135, 125}, Qt::LeftButton, Qt::ShiftModifier);
    host_ops::setUnit(host().documentObject(doc).get(), com::UnitPixels);
    window->refresh();
    EXPECT_EQ(status->text(), QStringLiteral("已选择 1 个对象  宽 472 px  高 354 px"));

    // Delete: the key of the edit menu's 删除, one undo step.
    QAction* del = window->hostAction(QStringLiteral("edit.delete"));
    EXPECT_EQ(del->shortcut(), QKeySequence(QKeySequence::Delete));
    del->trigger();
    EXPECT_EQ(model::findShape(host().drawing(doc), a), nullptr);
    EXPECT_NE(model::findShape(host().drawing(doc), b), nullptr);
    EXPECT_EQ(host().undoSteps(doc).front(), u"删除");
    EXPECT_EQ(status->text(), QStringLiteral("未选择对象"));
}

TEST_F(WindowTest, ClosingADocumentAsksFirstAndACancelKeepsIt) {
    const host::DocumentId doc = window->newDocument();
    listen();
    bool cancel = true;
    sink.react = [&](int32_t dispId, com::DispParams* params) {
        if (dispId == com::EvQueryDocumentClose)
            *params->args[0].pboolVal = cancel ? com::VARIANT_TRUE : com::VARIANT_FALSE;
    };
    window->hostAction(QStringLiteral("file.close"))->trigger();
    EXPECT_EQ(host().documents(), std::vector<host::DocumentId>{doc});
    EXPECT_EQ(window->documentTabs()->count(), 1);
    EXPECT_EQ(sink.dispIds(), std::vector<int32_t>{com::EvQueryDocumentClose});

    cancel = false;
    // The tab's close button does the same.
    emit window->documentTabs()->tabCloseRequested(0);
    EXPECT_TRUE(host().documents().empty());
    EXPECT_EQ(window->documentTabs()->count(), 0);
    EXPECT_EQ(window->selectionLabel()->text(), QStringLiteral("没有打开的文档"));
    const auto ids = sink.dispIds();
    ASSERT_GE(ids.size(), 3u);
    EXPECT_EQ(ids[1], com::EvQueryDocumentClose);
    EXPECT_EQ(ids[2], com::EvDocumentClose);
}

TEST_F(WindowTest, SwitchingDocumentsAndPagesGoesThroughTheHost) {
    const host::DocumentId first = window->newDocument();
    const host::DocumentId second = window->newDocument();
    host().addPage(second);
    window->refresh();
    EXPECT_EQ(window->documentTabs()->count(), 2);
    EXPECT_EQ(window->documentTabs()->tabText(0), QStringLiteral("未命名-1"));
    EXPECT_EQ(window->pageTabs()->count(), 2);
    listen();

    window->documentTabs()->setCurrentIndex(0);
    EXPECT_EQ(host().activeDocument(), first);
    EXPECT_EQ(window->canvas()->document(), first);
    EXPECT_EQ(window->pageTabs()->count(), 1);
    EXPECT_EQ(sink.dispIds(),
              (std::vector<int32_t>{com::EvWindowDeactivate, com::EvWindowActivate}));

    window->documentTabs()->setCurrentIndex(1);
    window->pageTabs()->setCurrentIndex(1);
    const model::Drawing d = host().drawing(second);
    EXPECT_EQ(d.activePage, d.pages[1].id);
    EXPECT_EQ(window->pageTabs()->tabText(1), QString::fromStdU16String(d.pages[1].name));
}

TEST_F(WindowTest, SavedDrawingsOpenAgainAndBadFilesOpenNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const host::DocumentId doc = window->newDocument();
    host().addShape(doc, model::shape(com::ShapeRectangle, 5, 6, 7, 8));
    const QString path = dir.filePath(QStringLiteral("卡片.mvd"));
    ASSERT_TRUE(window->saveAs(doc, path)) << errors.join('\n').toStdString();
    EXPECT_EQ(window->fileOf(doc), path);
    const model::Drawing saved = host().drawing(doc);

    ASSERT_TRUE(window->openFile(path));
    const host::DocumentId opened = host().activeDocument();
    EXPECT_NE(opened, doc);
    EXPECT_EQ(window->documentTabs()->count(), 2);
    const auto shapes = host().drawing(opened).pages[0].layers[0].shapes;
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_EQ(shapes[0].width, 7);
    EXPECT_TRUE(errors.isEmpty());

    // Saving again goes to the same file, with no dialog.
    host().addShape(opened, model::shape(com::ShapeEllipse, 1, 1, 2, 2));
    ASSERT_TRUE(window->save(opened));
    EXPECT_EQ(host::files::loadNative(path).pages[0].layers[0].shapes.size(), 2u);

    QFile bad(dir.filePath(QStringLiteral("坏.mvd")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("{ not a drawing");
    bad.close();
    for (const QString& file : {bad.fileName(), dir.filePath(QStringLiteral("没有.mvd"))}) {
        errors.clear();
        EXPECT_FALSE(window->openFile(file));
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors[0].contains(file)) << errors[0].toStdString();
    }
    EXPECT_EQ(host().documents().size(), 2u);

    errors.clear();
    EXPECT_FALSE(window->saveAs(opened, dir.filePath(QStringLiteral("没有/文件夹/x.mvd"))));
    EXPECT_EQ(errors.size(), 1);
}

TEST_F(WindowTest, SvgFilesOpenAsNewDocumentsAndSaveOnePage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString svg = dir.filePath(QStringLiteral("标志.svg"));
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="100mm" height="50mm"
                       viewBox="0 0 100 50">
                    <rect id="框" x="10" y="10" width="30" height="20" fill="#ff0000"/>
                    <circle cx="70" cy="25" r="10" fill="blue"/>
                  </svg>)");
    file.close();

    ASSERT_TRUE(window->openFile(svg)) << errors.join('\n').toStdString();
    const host::DocumentId doc = host().activeDocument();
    const auto drawing = host().drawing(doc);
    EXPECT_DOUBLE_EQ(drawing.pages[0].width, 100);
    ASSERT_EQ(drawing.pages[0].layers[0].shapes.size(), 2u);
    EXPECT_EQ(drawing.pages[0].layers[0].shapes[0].name, u"框");
    // Imported, so it has no native file of its own yet.
    EXPECT_TRUE(window->fileOf(doc).isEmpty());

    const QString out = dir.filePath(QStringLiteral("副本.svg"));
    ASSERT_TRUE(window->saveAs(doc, out)) << errors.join('\n').toStdString();
    EXPECT_TRUE(window->fileOf(doc).isEmpty());
    ASSERT_TRUE(window->openFile(out));
    EXPECT_EQ(host().drawing(host().activeDocument()).pages[0].layers[0].shapes.size(), 2u);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(WindowTest, ClosingTheWindowAsksQueryQuitThenRaisesQuit) {
    listen();
    bool cancel = true;
    sink.react = [&](int32_t dispId, com::DispParams* params) {
        if (dispId == com::EvQueryQuit)
            *params->args[0].pboolVal = cancel ? com::VARIANT_TRUE : com::VARIANT_FALSE;
    };
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(sink.dispIds(), std::vector<int32_t>{com::EvQueryQuit});
    cancel = false;
    EXPECT_TRUE(window->close());
    EXPECT_EQ(sink.dispIds(),
              (std::vector<int32_t>{com::EvQueryQuit, com::EvQueryQuit, com::EvQuit}));
}

TEST_F(WindowTest, APluginThatCannotLoadIsReportedAndTheHostRuns) {
    close();
    open(18, QDir::temp().filePath(QStringLiteral("no-such-plugin.cpg")));
    EXPECT_FALSE(window->startPlugin(*session));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("插件无法加载"))) << errors[0].toStdString();
    EXPECT_EQ(pluginBar(), nullptr);
    EXPECT_NE(window->findChild<QToolBar*>(QStringLiteral("Standard")), nullptr);
    EXPECT_NE(window->newDocument(), 0u);
}

TEST_F(WindowTest, ScreenshotShowsPageShapesSelectionAndToolbars) {
    ASSERT_TRUE(window->startPlugin(*session));
    const host::DocumentId doc = window->newDocument();
    auto red = model::shape(com::ShapeRectangle, 20, 180, 90, 60);
    red.fill.type = com::FillUniform;
    red.fill.color = model::rgb(220, 40, 40);
    red.outline.width = 0.5;
    red.outline.color = model::rgb(0, 0, 0);
    auto blue = model::shape(com::ShapeEllipse, 90, 120, 80, 80);
    blue.fill.type = com::FillUniform;
    blue.fill.color = model::cmyk(100, 40, 0, 0);
    const model::Id r = host().addShape(doc, red);
    host().addShape(doc, blue);
    host().setSelection(doc, {r});
    window->refresh();
    QApplication::processEvents();

    const QImage shot = window->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    shot.save(QStringLiteral("/tmp/mosvik1-main-window.png"));
    // The red rectangle is painted where the viewport puts it.
    CanvasWidget* canvas = window->canvas();
    const QPoint inRed =
        canvas->viewport()->mapTo(window.get(), canvas->view().toCanvas({40, 200}).toPoint());
    EXPECT_EQ(shot.pixelColor(inRed), QColor(220, 40, 40));
    const QPoint onPaper =
        canvas->viewport()->mapTo(window.get(), canvas->view().toCanvas({190, 20}).toPoint());
    EXPECT_EQ(shot.pixelColor(onPaper), QColor(Qt::white));
}

} // namespace
} // namespace mosvik::app
