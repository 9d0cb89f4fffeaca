// The plug-in object against the stand-in host, in-process: event routing,
// command state, the session's references and its failure boxes.
#include "core/OrmelPlugin.h"
#include "core/CommandTable.h"
#include "host/Application.h"
#include "platform/DebugOutput.h"
#include "platform/ModulePath.h"
#include "platform/ScriptedDialogs.h"

#include "core/host/Variants.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mosvik {
namespace {

using namespace com;

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(settingsDir.isValid()); }
    // As a host does at exit: the object gives back what it still holds.
    void TearDown() override { plugin.Unload(); }

    // Load and StartSession, as the host does.
    void startSession() {
        ASSERT_EQ(plugin.Load(host.com()), S_OK);
        ASSERT_EQ(plugin.StartSession(), S_OK);
    }

    int32_t invoke(int32_t dispId, std::vector<Variant> argsLastFirst) {
        DispParams p{argsLastFirst.data(), nullptr, static_cast<uint32_t>(argsLastFirst.size()), 0};
        return plugin.Invoke(dispId, &IID_NULL, 0, DISPATCH_METHOD, &p, nullptr, nullptr, nullptr);
    }

    QTemporaryDir settingsDir;
    platform::ModulePathOverride module{settingsDir.filePath("mosvik1.cpg")};
    platform::ScriptedDialogs dialogs;
    platform::DialogsOverride useDialogs{dialogs};
    platform::DebugCapture debug;
    // The plug-in object outlives the host, as the library keeps it.
    OrmelPlugin plugin;
    host::Application host;
};

TEST(CommandTable, StoredTextSplitsIntoCaptionAndTooltip) {
    struct Case {
        std::u16string stored, caption, tooltip;
    } cases[] = {
        {u"转换", u"转换", u"转换"},
        {u"导出图片|强大的导出图片工具", u"导出图片", u"强大的导出图片工具"},
        {u"a|b|c", u"a|b|c", u"a|b|c"},
        {u"|", u"", u""},
    };
    for (const auto& c : cases) {
        const auto split = splitStoredText(c.stored);
        EXPECT_EQ(split.caption, c.caption);
        EXPECT_EQ(split.tooltip, c.tooltip);
    }
}

TEST(CommandTable, ElevenCommandsInTheirOrder) {
    const std::u16string ids[] = {u"mosvik1_全部",     u"mosvik1_导出图片", u"mosvik1_转换",
                                  u"mosvik1_裁切标记", u"mosvik1_一键PS",   u"mosvik1_二维码",
                                  u"mosvik1_同类选择", u"mosvik1_字体识别", u"mosvik1_页面适配",
                                  u"mosvik1_超级撤销", u"mosvik1_超级重做"};
    const auto& table = commandTable();
    ASSERT_EQ(table.size(), std::size(ids));
    for (size_t i = 0; i < table.size(); ++i)
        EXPECT_EQ(table[i].id, ids[i]);
    EXPECT_EQ(table[7].action, CommandAction::MainWindow);
}

TEST_F(PluginTest, LoadTakesTwoReferencesAndStopSessionGivesBothBack) {
    const auto baseline = host.refCount();
    startSession();
    EXPECT_EQ(host.refCount(), baseline + 2);
    EXPECT_NE(plugin.eventCookie(), 0);
    EXPECT_EQ(host.sinkCount(), 1);

    EXPECT_EQ(plugin.StopSession(), S_OK);
    EXPECT_TRUE(plugin.ended());
    EXPECT_EQ(host.sinkCount(), 0);
    EXPECT_EQ(host.refCount(), baseline);
    EXPECT_EQ(host.outstandingReferences(), 1); // the Application's own
    // Later calls change nothing.
    EXPECT_EQ(plugin.Unload(), S_OK);
    EXPECT_EQ(plugin.StopSession(), S_OK);
    EXPECT_EQ(host.refCount(), baseline);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(PluginTest, UnloadEndsTheObjectWhenNoSessionRan) {
    const auto baseline = host.refCount();
    ASSERT_EQ(plugin.Load(host.com()), S_OK);
    EXPECT_EQ(plugin.Unload(), S_OK);
    EXPECT_TRUE(plugin.ended());
    EXPECT_EQ(host.refCount(), baseline);
}

TEST_F(PluginTest, ReferenceCountNeverEndsTheObject) {
    EXPECT_EQ(plugin.AddRef(), 1u);
    EXPECT_EQ(plugin.Release(), 0u);
    EXPECT_FALSE(plugin.ended());
    startSession();
    host.raiseStart();
    EXPECT_EQ(host.pluginCommands().size(), 11u);
}

TEST_F(PluginTest, StartEventRegistersEveryCommandWithCaptionAndTooltip) {
    startSession();
    host.raiseStart();
    const auto commands = host.pluginCommands();
    ASSERT_EQ(commands.size(), commandTable().size());
    for (size_t i = 0; i < commands.size(); ++i) {
        const auto expected = splitStoredText(commandTable()[i].storedText);
        EXPECT_EQ(commands[i].id, commandTable()[i].id);
        EXPECT_EQ(commands[i].caption, expected.caption);
        EXPECT_EQ(commands[i].tooltip, expected.tooltip);
    }
    EXPECT_EQ(plugin.StopSession(), S_OK);
    EXPECT_TRUE(host.pluginCommands().empty());
}

TEST_F(PluginTest, CommandStateFollowsOpenDocuments) {
    startSession();
    host.raiseStart();
    // Enabled exactly while a document is open, every table id alike.
    EXPECT_FALSE(host.queryPluginCommandState(u"mosvik1_页面适配", {true, 0}).enabled);
    const auto doc = host.newDocument(u"图1");
    for (const auto& entry : commandTable())
        EXPECT_TRUE(host.queryPluginCommandState(entry.id, {false, 0}).enabled);
    // Ids outside the table, also in other letter case, are left alone;
    // Checked is never touched.
    for (const bool initial : {true, false}) {
        const auto state = host.queryPluginCommandState(u"mosvik1_ps全部", {initial, 7});
        EXPECT_EQ(state.enabled, initial);
        EXPECT_EQ(state.checked, 7);
    }
    EXPECT_EQ(host.queryPluginCommandState(u"mosvik1_一键ps", {false, 3}).enabled, false);
    EXPECT_EQ(host.queryPluginCommandState(u"mosvik1_一键PS", {false, 3}).checked, 3);
    host.closeDocument(doc);
    EXPECT_FALSE(host.queryPluginCommandState(u"mosvik1_转换", {true, 0}).enabled);
}

TEST_F(PluginTest, ArgumentCountRulesOfTheEventEntry) {
    startSession();
    host.newDocument();
    VARIANT_BOOL enabled = 5;
    int32_t checked = 9;
    const auto id = makeText(u"mosvik1_转换");
    // Query with the wrong number of arguments: nothing written.
    EXPECT_EQ(invoke(21, {makeBoolRef(&enabled), id}), S_OK);
    EXPECT_EQ(invoke(21, {makeInt(0), makeIntRef(&checked), makeBoolRef(&enabled), id}), S_OK);
    EXPECT_EQ(enabled, 5);
    EXPECT_EQ(invoke(21, {makeIntRef(&checked), makeBoolRef(&enabled), id}), S_OK);
    EXPECT_EQ(enabled, VARIANT_TRUE);
    EXPECT_EQ(checked, 9);
    // Command requests with no or two arguments, and every other event
    // number, do nothing and succeed.
    EXPECT_EQ(invoke(20, {}), S_OK);
    EXPECT_EQ(invoke(20, {id, id}), S_OK);
    for (int32_t dispId = 1; dispId <= 22; ++dispId) {
        if (dispId != 18 && dispId != 20 && dispId != 21) {
            EXPECT_EQ(invoke(dispId, {}), S_OK) << dispId;
        }
    }
    EXPECT_TRUE(host.pluginCommands().empty());
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_TRUE(debug.lines().isEmpty());
}

TEST_F(PluginTest, FailedRegistrationShowsTheStartSessionBoxAndSucceeds) {
    host.faults().failOn("IVGApplication.AdviseEvents");
    ASSERT_EQ(plugin.Load(host.com()), S_OK);
    EXPECT_EQ(plugin.StartSession(), S_OK);
    EXPECT_EQ(plugin.eventCookie(), 0);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].caption, "StartSession");
    EXPECT_EQ(dialogs.messages()[0].owner, nullptr);
    EXPECT_EQ(dialogs.messages()[0].buttons, platform::BtnOk);
    EXPECT_FALSE(dialogs.messages()[0].text.isEmpty());
    // No sink, so the start event never reaches the plug-in.
    host.raiseStart();
    EXPECT_TRUE(host.pluginCommands().empty());
}

TEST_F(PluginTest, FailedStopSessionSkipsTheRestAndUnloadEndsTheObject) {
    const auto baseline = host.refCount();
    startSession();
    host.raiseStart();
    host.faults().failOnce("IVGApplication.RemovePluginCommand");
    EXPECT_EQ(plugin.StopSession(), S_OK);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].caption, "StopSession");
    EXPECT_FALSE(plugin.ended());
    EXPECT_EQ(host.sinkCount(), 0);
    // Only the first command could not be removed; the rest were skipped.
    EXPECT_EQ(host.pluginCommands().size(), 11u);

    EXPECT_EQ(plugin.Unload(), S_OK);
    EXPECT_TRUE(plugin.ended());
    EXPECT_EQ(host.refCount(), baseline);
}

TEST_F(PluginTest, FailingStartEventIsQuietButLeftOnTheDebugChannel) {
    startSession();
    host.faults().failOnNth("IVGApplication.AddPluginCommand", 3);
    host.raiseStart();
    EXPECT_TRUE(dialogs.shown().empty());
    ASSERT_EQ(debug.lines().size(), 1);
    EXPECT_TRUE(debug.lines()[0].startsWith("InstallToolbar: ")) << debug.lines()[0].toStdString();
    EXPECT_EQ(host.pluginCommands().size(), 2u);
}

} // namespace
} // namespace mosvik
