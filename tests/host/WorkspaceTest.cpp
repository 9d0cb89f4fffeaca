// Command bars and the import of workspace files: the generated toolbar
// files on the versions they are for, repeated and replacing imports, and
// files that must fail without touching the configuration.
#include "HostFixture.h"

#include "resources/Resources.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <zip.h>

namespace mosvik::host::test {
namespace {

using namespace com;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::u16string BarName = u"ormel201600401";
const std::u16string BarGuid = u"53175317-5317-5317-5317-100000000001";
const std::u16string HostItem = u"266435b4-6e53-460f-9fa7-f45be187d400";

struct Command {
    const char16_t* id;
    const char16_t* caption;
    const char16_t* tooltip; // as registered
};
// The plug-in's commands as it registers them.
const Command Commands[] = {
    {u"mosvik1_全部", u"所有", u"所有"},
    {u"mosvik1_导出图片", u"导出图片", u"强大的导出图片工具"},
    {u"mosvik1_转换", u"转换", u"转换"},
    {u"mosvik1_裁切标记", u"裁切标记", u"裁切标记"},
    {u"mosvik1_一键PS", u"一键PS", u"一键调用PS修图"},
    {u"mosvik1_二维码", u"二维码", u"二维码"},
    {u"mosvik1_同类选择", u"同类选择", u"同类选择"},
    {u"mosvik1_字体识别", u"字体识别", u"字体识别"},
    {u"mosvik1_页面适配", u"页面适配", u"设置页面大小为选中对象大小"},
    {u"mosvik1_超级撤销", u"超级撤销", u"超级撤销，如果执行了大批量操作，请使用这个"},
    {u"mosvik1_超级重做", u"超级重做", u"超级重做，如果执行了大批量操作，请使用这个"},
};

struct Item {
    const char16_t* guid;
    const char16_t* command; // empty: the host's own item
    const char16_t* caption;
    const char16_t* tooltip; // as the X4 and X7 files say
};
const Item BarItems[] = {
    {u"53175317-5317-5317-5317-900000000001", u"mosvik1_导出图片", u"导出图片", u"导出图片"},
    {u"53175317-5317-5317-5317-900000000002", u"mosvik1_转换", u"转换", u"转换"},
    {u"53175317-5317-5317-5317-900000000003", u"mosvik1_一键PS", u"一键PS", u"一键PS"},
    {u"53175317-5317-5317-5317-900000000004", u"mosvik1_裁切标记", u"裁切标记", u"裁切标记"},
    {u"53175317-5317-5317-5317-900000000007", u"mosvik1_二维码", u"二维码", u"二维码"},
    {u"53175317-5317-5317-5317-900000000008", u"mosvik1_同类选择", u"同类选择", u"同类选择"},
    {u"53175317-5317-5317-5317-900000000009", u"mosvik1_字体识别", u"字体识别", u"字体识别"},
    {u"266435b4-6e53-460f-9fa7-f45be187d400", u"", u"分隔符", u""},
    {u"53175317-5317-5317-5317-900000000098", u"mosvik1_超级撤销", u"超级撤销",
     u"如果执行了大批量操作，请使用这个"},
    {u"53175317-5317-5317-5317-900000000099", u"mosvik1_超级重做", u"超级重做",
     u"如果执行了大批量操作，请使用这个"},
};

const Command& registered(const std::u16string& id) {
    for (const Command& c : Commands)
        if (c.id == id)
            return c;
    throw std::invalid_argument("not a command of the plug-in");
}

// An icon with a visible glyph on a transparent ground.
void expectIcon(const QImage& image, int size) {
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), size);
    EXPECT_EQ(image.height(), size);
    int clear = 0, solid = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            clear += alpha == 0;
            solid += alpha == 255;
        }
    EXPECT_GT(clear, 0);
    EXPECT_GT(solid, 0);
}

// Names, identities, visibility and items: what must not change when an
// import fails.
std::vector<std::tuple<std::u16string, std::u16string, bool, size_t>>
summary(const std::vector<CommandBarInfo>& bars) {
    std::vector<std::tuple<std::u16string, std::u16string, bool, size_t>> s;
    for (const auto& b : bars)
        s.emplace_back(b.name, b.guid, b.visible, b.items.size());
    return s;
}

class WorkspaceTest : public HostTest {
public:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        VARIANT_BOOL added = 0;
        for (const Command& c : Commands)
            check(host(), host()->AddPluginCommand(c.id, c.caption, c.tooltip, &added));
    }

    std::u16string write(const QString& name, const std::string& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return file.fileName().toStdU16String();
    }
    static std::string resource(const char* name) {
        return std::string(*mosvik::resourceData(name));
    }
    // The toolbar file for the host's version, as the plug-in writes it.
    std::u16string toolbarFile() {
        const int v = app.version();
        if (v <= 16)
            return write("TTx4.xslt", resource("toolbar_x4"));
        if (v == 17)
            return write("TTx7.cdws", resource("toolbar_x7"));
        return write("TTx8.cdws", resource("toolbar_x8"));
    }
    std::u16string archive(const QString& name,
                           const std::vector<std::pair<std::string, std::string>>& entries) {
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        int error = 0;
        zip_t* z = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        EXPECT_NE(z, nullptr);
        for (const auto& [entry, data] : entries)
            zip_file_add(z, entry.c_str(), zip_source_buffer(z, data.data(), data.size(), 0),
                         ZIP_FL_ENC_UTF_8);
        EXPECT_EQ(zip_close(z), 0);
        return QString::fromUtf8(path).toStdU16String();
    }
    // Status and error text of an import.
    std::pair<HRESULT, std::string> import(const std::u16string& path) {
        const HRESULT hr = host()->ImportWorkspace(path.c_str());
        return {hr, hr == S_OK ? std::string() : hostErrorOf([&] { check(host(), hr); })};
    }
    std::optional<CommandBarInfo> bar(const std::u16string& name) {
        for (auto& b : app.commandBars())
            if (b.name == name)
                return b;
        return std::nullopt;
    }
    std::vector<std::u16string> barNames() {
        std::vector<std::u16string> names;
        for (const auto& b : app.commandBars())
            names.push_back(b.name);
        return names;
    }
    ComPtr<ICUICommandBar> barObject(const std::u16string& name) {
        ComPtr<ICUICommandBars> bars;
        check(host(), host()->get_CommandBars(bars.put()));
        ComPtr<ICUICommandBar> bar;
        check(bars, bars->get_ItemByName(name.c_str(), bar.put()));
        return bar;
    }

    QTemporaryDir dir;
};

TEST_F(WorkspaceTest, HostHasItsOwnBarsAndItems) {
    EXPECT_THAT(barNames(), ElementsAre(u"Standard", u"Toolbox"));
    const auto standard = *bar(u"Standard");
    EXPECT_TRUE(standard.visible);
    EXPECT_EQ(standard.caption, u"标准");
    ASSERT_EQ(standard.items.size(), 6u);
    EXPECT_EQ(standard.items[0].hostCommand, u"file.new");
    EXPECT_EQ(standard.items[0].caption, u"新建");
    EXPECT_EQ(standard.items[3].guid, HostItem);
    EXPECT_EQ(standard.items[3].hostCommand, u"separator");
    for (const auto& item : standard.items)
        EXPECT_TRUE(item.commandId.empty());
}

class ImportTest : public WorkspaceTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        app.setVersion(GetParam());
    }
    void expectOrmelBar() {
        const auto ormel = bar(BarName);
        ASSERT_TRUE(ormel);
        EXPECT_EQ(ormel->caption, u"Ormel工具");
        EXPECT_EQ(ormel->guid, BarGuid);
        ASSERT_EQ(ormel->items.size(), std::size(BarItems));
        const bool fromCommands = GetParam() >= 18; // the X8 file has no texts
        for (size_t i = 0; i < std::size(BarItems); ++i) {
            SCOPED_TRACE(i);
            const Item& want = BarItems[i];
            const CommandBarItemInfo& got = ormel->items[i];
            EXPECT_EQ(got.guid, want.guid);
            EXPECT_EQ(got.commandId, want.command);
            EXPECT_EQ(got.caption, want.caption);
            if (got.guid == HostItem) {
                EXPECT_EQ(got.hostCommand, u"separator");
                EXPECT_TRUE(got.smallIcon.isNull());
                continue;
            }
            EXPECT_EQ(got.tooltip, fromCommands ? registered(want.command).tooltip : want.tooltip);
            expectIcon(got.smallIcon, 16);
            expectIcon(got.largeIcon, fromCommands ? 32 : 24);
        }
    }
};

TEST_P(ImportTest, ToolbarFileBringsTheBarWithItsTenItemsOnce) {
    ASSERT_EQ(import(toolbarFile()), std::make_pair(S_OK, std::string()));
    EXPECT_THAT(barNames(), ElementsAre(u"Standard", u"Toolbox", BarName));
    expectOrmelBar();
    auto ormel = barObject(BarName);
    VARIANT_BOOL visible = VARIANT_TRUE;
    check(ormel, ormel->get_Visible(&visible));
    EXPECT_EQ(visible, VARIANT_FALSE) << "the file says nothing, so hidden";
    EXPECT_EQ(bar(u"Standard")->items.size(), 6u) << "the host's bars stay";
    EXPECT_TRUE(bar(u"Standard")->visible);

    const std::string once = app.workspace();
    ASSERT_EQ(import(toolbarFile()).first, S_OK);
    EXPECT_EQ(app.workspace(), once) << "a second import changes nothing";
    EXPECT_THAT(barNames(), ElementsAre(u"Standard", u"Toolbox", BarName));
    check(ormel, ormel->put_Visible(VARIANT_TRUE));
    EXPECT_TRUE(bar(BarName)->visible) << "the bar object outlives the repeated import";
}

TEST_P(ImportTest, DeletedBarComesBackWithTheNextImport) {
    ASSERT_EQ(import(toolbarFile()).first, S_OK);
    auto ormel = barObject(BarName);
    check(ormel, ormel->Delete());
    EXPECT_FALSE(bar(BarName));
    EXPECT_THAT(hostErrorOf([&] { barObject(BarName); }),
                HasSubstr("no command bar is named \"ormel201600401\""));

    ASSERT_EQ(import(toolbarFile()).first, S_OK);
    expectOrmelBar();
    Bstr caption;
    EXPECT_THAT(hostErrorOf([&] { check(ormel, ormel->get_Caption(caption.put())); }),
                HasSubstr("object no longer exists"));
}

TEST_P(ImportTest, OlderBarOfTheSameIdentityIsReplacedAtItsPlace) {
    const std::string before = app.workspace();
    EXPECT_THROW(app.setWorkspace("<uiConfig>"), std::invalid_argument);
    EXPECT_THROW(app.setWorkspace("<other/>"), std::invalid_argument);
    EXPECT_EQ(app.workspace(), before);

    // Identities in upper case, as another host may write them.
    app.setWorkspace(R"(<?xml version="1.0" encoding="UTF-8"?>
<uiConfig>
  <commandBars>
    <commandBar guid="6D6F7376-696B-0003-8000-000000000001" nonLocalizableName="Standard"
        userCaption="标准" visible="true"><toolbar/></commandBar>
    <commandBar guid="53175317-5317-5317-5317-100000000001" nonLocalizableName="ormel201600401"
        userCaption="旧工具栏" visible="true">
      <container>
        <item guidRef="53175317-5317-5317-5317-900000000005"/>
        <item guidRef="53175317-5317-5317-5317-900000000001"/>
      </container>
    </commandBar>
    <commandBar nonLocalizableName="Toolbox" userCaption="工具箱"><toolbar/></commandBar>
  </commandBars>
  <items>
    <whatsNew sinceVersion="off"/>
    <itemData guid="53175317-5317-5317-5317-900000000005" dynamicCommand="mosvik1_旧"
        userCaption="旧命令"/>
    <itemData guid="53175317-5317-5317-5317-900000000001" dynamicCommand="mosvik1_导出图片"
        userCaption="旧导出" userToopTip="旧导出"/>
    <itemData guid="266435b4-6e53-460f-9fa7-f45be187d400" hostCommand="separator"
        userCaption="分隔符"/>
  </items>
</uiConfig>)");
    ASSERT_EQ(bar(BarName)->caption, u"旧工具栏");
    ASSERT_EQ(bar(BarName)->items.size(), 2u);

    ASSERT_EQ(import(toolbarFile()), std::make_pair(S_OK, std::string()));
    EXPECT_THAT(barNames(), ElementsAre(u"Standard", BarName, u"Toolbox"));
    expectOrmelBar();
    EXPECT_FALSE(bar(BarName)->visible);
}

INSTANTIATE_TEST_SUITE_P(Versions, ImportTest, ::testing::Values(14, 16, 17, 18));

struct BadFile {
    const char* name;
    int version;
    std::function<std::u16string(WorkspaceTest&)> file;
    const char* error;
};

class BadFileTest : public WorkspaceTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFileTest, FailsWithAReasonAndLeavesTheConfiguration) {
    const BadFile& c = GetParam();
    app.setVersion(c.version);
    ASSERT_EQ(import(toolbarFile()).first, S_OK); // the bar is there already
    const std::string before = app.workspace();
    const auto bars = summary(app.commandBars());

    const auto [status, text] = import(c.file(*this));
    EXPECT_EQ(status, E_FAIL);
    EXPECT_THAT(text, HasSubstr("IVGApplication.ImportWorkspace: "));
    EXPECT_THAT(text, HasSubstr(c.error));
    EXPECT_EQ(app.workspace(), before);
    EXPECT_EQ(summary(app.commandBars()), bars);
}

const char* const FailingSheet = R"(<xsl:stylesheet version="1.0"
    xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/"><xsl:message terminate="yes">broken</xsl:message></xsl:template>
</xsl:stylesheet>)";
const char* const ForeignSheet = R"(<xsl:stylesheet version="1.0"
    xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/"><workspace/></xsl:template>
</xsl:stylesheet>)";

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileTest,
    ::testing::Values(
        BadFile{"MissingFile", 14, [](auto& t) { return t.write("x", "") + u".missing"; },
                "cannot read the workspace file"},
        BadFile{"NotXml", 14, [](auto& t) { return t.write("a.xslt", "not <xml"); },
                "is not well-formed XML"},
        BadFile{"NotAStylesheet", 16,
                [](auto& t) { return t.write("a.xslt", "<uiConfig><commandBars/></uiConfig>"); },
                "is not an XSLT stylesheet"},
        BadFile{"ArchiveGivenToAnX4Host", 14,
                [](auto& t) { return t.write("a.xslt", t.resource("toolbar_x8")); },
                "is not well-formed XML"},
        BadFile{"StylesheetThatStops", 14, [](auto& t) { return t.write("a.xslt", FailingSheet); },
                "the workspace stylesheet failed (broken"},
        BadFile{"StylesheetWithoutConfiguration", 15,
                [](auto& t) { return t.write("a.xslt", ForeignSheet); },
                "is not a user interface configuration"},
        BadFile{"StylesheetGivenToAnX8Host", 18,
                [](auto& t) { return t.write("a.cdws", t.resource("toolbar_x4")); },
                "is not a workspace archive"},
        BadFile{"TruncatedArchive", 17,
                [](auto& t) {
                    const std::string whole = t.resource("toolbar_x7");
                    return t.write("a.cdws", whole.substr(0, whole.size() / 2));
                },
                "is not a workspace archive"},
        BadFile{"ArchiveWithoutWorkspace", 18,
                [](auto& t) {
                    return t.archive("a.cdws", {{"mimetype", "application/x-vnd.corel.zcf."
                                                             "workspace+zip"}});
                },
                "holds no content/workspace.xml"},
        BadFile{"ArchiveWithBrokenWorkspace", 18,
                [](auto& t) {
                    return t.archive("a.cdws", {{"content/workspace.xml", "<uiConfig><items>"}});
                },
                "content/workspace.xml is not well-formed XML"},
        BadFile{"ArchiveWithForeignWorkspace", 17,
                [](auto& t) {
                    return t.archive("a.cdws", {{"content/workspace.xml", "<workspace/>"}});
                },
                "content/workspace.xml is not a user interface configuration"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkspaceTest, CommandStatesAreThoseThePlugInAnswers) {
    RecordingSink sink;
    sink.react = [](int32_t dispId, DispParams* params) {
        if (dispId != EvOnUpdatePluginCommand)
            return;
        const bool known = variantText(argument(params, 0)) == u"mosvik1_转换";
        *variantBoolRef(argument(params, 1)) = known ? VARIANT_TRUE : VARIANT_FALSE;
    };
    const int32_t cookie = host_ops::adviseEvents(host(), &sink);
    const auto states = app.queryPluginCommandStates();
    host_ops::unadviseEvents(host(), cookie);

    ASSERT_EQ(states.size(), std::size(Commands));
    for (size_t i = 0; i < states.size(); ++i) {
        EXPECT_EQ(states[i].first, Commands[i].id);
        EXPECT_EQ(states[i].second.enabled, states[i].first == u"mosvik1_转换");
    }
    EXPECT_EQ(sink.events().size(), std::size(Commands));
}

} // namespace
} // namespace mosvik::host::test
