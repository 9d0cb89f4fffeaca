// Command requests (event 20) as the host sends them: which window opens,
// which direct command runs, and what a failure leaves behind.
#include "core/OrmelPlugin.h"
#include "export/ToJPG.h"
#include "framework/MainForm.h"
#include "framework/ToolkitApplication.h"
#include "host/Application.h"
#include "platform/DebugOutput.h"
#include "platform/ModulePath.h"
#include "platform/ScriptedDialogs.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace mosvik {
namespace {

using namespace com;

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(settingsDir.isValid());
        ASSERT_EQ(plugin.Load(host.com()), S_OK);
        ASSERT_EQ(plugin.StartSession(), S_OK);
    }
    void TearDown() override {
        plugin.Unload();
        Application().DestroyWindows();
        flush();
    }
    static void flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    host::DocumentId documentWithShapes(int count) {
        const auto doc = host.newDocument(u"图1");
        for (int i = 0; i < count; ++i)
            host.addShape(doc, host::model::shape(ShapeRectangle, 10 + 30 * i, 20, 20, 10));
        return doc;
    }
    static QList<TfMain*> mainWindows() {
        QList<TfMain*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = qobject_cast<TfMain*>(w); m && m->isVisible())
                found << m;
        return found;
    }

    QTemporaryDir settingsDir;
    platform::ModulePathOverride module{settingsDir.filePath("mosvik1.cpg")};
    platform::ScriptedDialogs dialogs;
    platform::DialogsOverride useDialogs{dialogs};
    platform::DebugCapture debug;
    OrmelPlugin plugin;
    host::Application host;
};

TEST_F(DispatchTest, MainWindowCommandsOpenANewWindowEachTime) {
    host.newDocument();
    for (const char16_t* id : {u"mosvik1_全部", u"mosvik1_字体识别", u"mosvik1_全部"})
        EXPECT_EQ(plugin.ExecuteCommand(id), S_OK);
    EXPECT_EQ(mainWindows().size(), 3);
    // Other letter case, and ids outside the table, match nothing.
    for (const char16_t* id : {u"MOSVIK1_全部", u"mosvik1_全部 ", u"mosvik1_不存在", u""})
        EXPECT_EQ(plugin.ExecuteCommand(id), S_OK);
    EXPECT_EQ(mainWindows().size(), 3);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(DispatchTest, AWindowThatRefusesInItsCreationCheckIsNeverShown) {
    const auto visibleExportWindows = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            n += qobject_cast<TfToJPG*>(w) && w->isVisible();
        return n;
    };
    EXPECT_EQ(plugin.ExecuteCommand(u"mosvik1_导出图片"), S_OK);
    flush();
    EXPECT_EQ(visibleExportWindows(), 0);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, "没有文档被打开！");

    host.newDocument(); // a document, but an empty page
    EXPECT_EQ(plugin.ExecuteCommand(u"mosvik1_导出图片"), S_OK);
    flush();
    EXPECT_EQ(visibleExportWindows(), 0);
    ASSERT_EQ(dialogs.messages().size(), 2u);
    EXPECT_EQ(dialogs.messages()[1].text, "到少需要一个对象！");

    documentWithShapes(1);
    EXPECT_EQ(plugin.ExecuteCommand(u"mosvik1_导出图片"), S_OK);
    EXPECT_EQ(plugin.ExecuteCommand(u"mosvik1_导出图片"), S_OK);
    EXPECT_EQ(visibleExportWindows(), 2);
}

TEST_F(DispatchTest, OwnerWindowComesFromTheHostOnEveryRequest) {
    QWidget hostWindow;
    hostWindow.show();
    host.setMainWindowHandle(static_cast<int32_t>(hostWindow.winId()));
    host.raisePluginCommand(u"mosvik1_全部");
    EXPECT_EQ(Application().OwnerHandle(), static_cast<int32_t>(hostWindow.winId()));
    EXPECT_EQ(Application().OwnerWidget(), &hostWindow);

    host.setMainWindowHandle(0);
    host.raisePluginCommand(u"mosvik1_全部");
    EXPECT_EQ(Application().OwnerHandle(), 0);
}

TEST_F(DispatchTest, PageFitThroughTheCommandIsOneUndoStepAndLeavesNoWindowBehind) {
    const auto doc = documentWithShapes(2);
    const auto before = host.drawing(doc);
    const auto references = host.refCount();

    host.raisePluginCommand(u"mosvik1_页面适配");
    flush();
    ASSERT_EQ(host.undoSteps(doc).front(), u"页面适配");
    const auto page = host.drawing(doc).pages[0];
    EXPECT_DOUBLE_EQ(page.width, 50);
    EXPECT_DOUBLE_EQ(page.height, 10);
    EXPECT_FALSE(host.optimization());
    EXPECT_EQ(host.refCount(), references);

    // Super undo reverts it without a step of its own; super redo restores.
    const auto steps = host.undoSteps(doc).size();
    host.raisePluginCommand(u"mosvik1_超级撤销");
    EXPECT_EQ(host.drawing(doc).pages, before.pages);
    EXPECT_EQ(host.undoSteps(doc).size(), steps - 1);
    host.raisePluginCommand(u"mosvik1_超级重做");
    EXPECT_DOUBLE_EQ(host.drawing(doc).pages[0].width, 50);
    EXPECT_EQ(host.undoSteps(doc).size(), steps);
    EXPECT_FALSE(host.optimization());
}

TEST_F(DispatchTest, FailingDirectCommandIsQuietAndLeavesTheHostClean) {
    const auto doc = documentWithShapes(3);
    const auto before = host.drawing(doc);
    const auto steps = host.undoSteps(doc).size();
    const auto references = host.refCount();
    for (const char* operation : {"IVGShapeRange.Group", "IVGShape.Ungroup",
                                  "IVGPage.put_SizeHeight", "IVGDocument.EndCommandGroup"}) {
        SCOPED_TRACE(operation);
        host.faults().failOnce(operation);
        EXPECT_EQ(plugin.ExecuteCommand(u"mosvik1_页面适配"), E_UNEXPECTED);
        flush();
        EXPECT_EQ(host.openGroupDepth(doc), 0);
        EXPECT_FALSE(host.optimization());
        EXPECT_EQ(host.refCount(), references);
    }
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(debug.lines().size(), 4);
    // Whatever the failed runs changed went into undo steps of their own,
    // so undoing those gets the drawing back exactly.
    const auto added = static_cast<int32_t>(host.undoSteps(doc).size() - steps);
    if (added > 0)
        host.documentObject(doc)->Undo(added);
    EXPECT_EQ(host.drawing(doc).pages, before.pages);
}

TEST_F(DispatchTest, HostFailureBeforeTheDispatchEndsTheRequest) {
    host.newDocument();
    host.faults().failOnce("IVGAppWindow.get_Handle");
    EXPECT_EQ(plugin.ExecuteCommand(u"mosvik1_全部"), E_UNEXPECTED);
    EXPECT_TRUE(mainWindows().isEmpty());
    EXPECT_TRUE(dialogs.shown().empty());
}

} // namespace
} // namespace mosvik
