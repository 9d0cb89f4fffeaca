// The X4 stylesheet applied with libxslt to host configurations, as the
// host's workspace import does.
#include "WorkspaceTestSupport.h"

#include <QTemporaryDir>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

namespace mosvik::test {
namespace {

const char* const kOtherBars = R"(
    <commandBar guid="aaaaaaaa-0000-0000-0000-000000000001" type="toolbar"
        nonLocalizableName="Standard" caption="标准">
      <container>
        <item guidRef="bbbbbbbb-0000-0000-0000-000000000001"/>
        <item guidRef="bbbbbbbb-0000-0000-0000-000000000002"/>
      </container>
    </commandBar>
    <commandBar guid="aaaaaaaa-0000-0000-0000-000000000002" type="menu"
        nonLocalizableName="Menu Bar"/>)";

const char* const kOtherItems = R"(
    <itemData guid="bbbbbbbb-0000-0000-0000-000000000001" userCaption="新建">
      <userSmallBitmap>AAAA</userSmallBitmap>
    </itemData>
    <itemData guid="bbbbbbbb-0000-0000-0000-000000000002" userCaption="打开"/>)";

std::string config(const std::string& inner) {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<uiConfig>
  <applicationInfo name="CorelDRAW" framework="CorelDRAW" version="14"
      userConfiguration="true" localizedLang="CS"/>
)" + inner +
           "\n</uiConfig>\n";
}

std::string hostConfiguration() {
    return config(std::string("  <commandBars>") + kOtherBars + "\n  </commandBars>\n  <items>" +
                  kOtherItems + "\n  </items>\n  <shortcuts><key name=\"Ctrl+N\"/></shortcuts>");
}

class X4Stylesheet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The host imports the stylesheet from a file, so does the test.
        dir_ = new QTemporaryDir;
        const std::string path = dir_->filePath("TTx4.xslt").toStdString();
        std::ofstream(path, std::ios::binary) << resource("toolbar_x4");
        style_ = xsltParseStylesheetFile(BAD_CAST path.c_str());
        data_ = parseXml(resource("toolbar_x4")).release();
    }
    static void TearDownTestSuite() {
        xsltFreeStylesheet(style_);
        xmlFreeDoc(data_);
        delete dir_;
    }

    static std::string apply(const std::string& target) {
        if (!style_) {
            ADD_FAILURE() << "the stylesheet did not compile";
            return {};
        }
        XmlDoc input(xmlReadMemory(target.data(), int(target.size()), "config.xml", nullptr, 0));
        if (!input) {
            ADD_FAILURE() << "bad test input";
            return {};
        }
        XmlDoc output(xsltApplyStylesheet(style_, input.get(), nullptr));
        if (!output) {
            ADD_FAILURE() << "the transformation failed";
            return {};
        }
        xmlChar* text = nullptr;
        int length = 0;
        xsltSaveResultToString(&text, &length, output.get(), style_);
        std::string result(reinterpret_cast<const char*>(text), size_t(length));
        xmlFree(text);
        return result;
    }

    // The embedded item or bar with that identity, as the stylesheet holds it.
    static std::string embedded(const std::string& xpath) {
        return serialise(data_, selectOne(data_, "/*/*[local-name()='data']/uiConfig/" + xpath));
    }

    // Each of the bar and the ten items is there exactly once, as embedded.
    static void expectToolbarOnce(xmlDoc* doc) {
        const auto bars = select(doc, "/uiConfig/commandBars/commandBar[translate(@guid, "
                                      "'ABCDEF', 'abcdef')='" +
                                          std::string(kBarGuid) + "']");
        ASSERT_EQ(bars.size(), 1u);
        EXPECT_EQ(serialise(doc, bars[0]), embedded("commandBars/commandBar"));
        for (const ToolbarItem& item : toolbarItems()) {
            const auto found =
                select(doc, "/uiConfig/items/itemData[translate(@guid, 'ABCDEF', 'abcdef')='" +
                                item.guid + "' or @guidRef='" + item.guid + "']");
            ASSERT_EQ(found.size(), 1u) << item.guid;
            if (!item.command.empty()) {
                EXPECT_EQ(serialise(doc, found[0]),
                          embedded("items/itemData[@guid='" + item.guid + "']"));
            }
        }
    }

    static QTemporaryDir* dir_;
    static xsltStylesheet* style_;
    static xmlDoc* data_;
};

QTemporaryDir* X4Stylesheet::dir_ = nullptr;
xsltStylesheet* X4Stylesheet::style_ = nullptr;
xmlDoc* X4Stylesheet::data_ = nullptr;

TEST_F(X4Stylesheet, AddsBarAndItemsAndKeepsEverythingElse) {
    const std::string result = apply(hostConfiguration());
    XmlDoc out = parseXml(result);
    XmlDoc in = parseXml(hostConfiguration());
    ASSERT_TRUE(out && in);
    EXPECT_EQ(result.find("xmlns"), std::string::npos) << "no namespaces leak into the result";

    // The host's own parts come first and unchanged, ours follow.
    const auto inBars = select(in.get(), "/uiConfig/commandBars/commandBar");
    const auto outBars = select(out.get(), "/uiConfig/commandBars/commandBar");
    ASSERT_EQ(outBars.size(), inBars.size() + 1);
    for (size_t i = 0; i < inBars.size(); ++i)
        EXPECT_EQ(serialise(out.get(), outBars[i]), serialise(in.get(), inBars[i]));
    EXPECT_EQ(attr(outBars.back(), "guid"), kBarGuid);

    const auto inItems = select(in.get(), "/uiConfig/items/*");
    const auto outItems = select(out.get(), "/uiConfig/items/*");
    ASSERT_EQ(outItems.size(), inItems.size() + toolbarItems().size());
    for (size_t i = 0; i < inItems.size(); ++i)
        EXPECT_EQ(serialise(out.get(), outItems[i]), serialise(in.get(), inItems[i]));
    for (size_t i = 0; i < toolbarItems().size(); ++i) {
        const std::string& guid = toolbarItems()[i].guid;
        xmlNode* added = outItems[inItems.size() + i];
        EXPECT_EQ(attr(added, toolbarItems()[i].command.empty() ? "guidRef" : "guid"), guid);
    }

    for (const char* part : {"/uiConfig/applicationInfo", "/uiConfig/shortcuts"})
        EXPECT_EQ(serialise(out.get(), selectOne(out.get(), part)),
                  serialise(in.get(), selectOne(in.get(), part)));
    EXPECT_EQ(select(out.get(), "/uiConfig/*").size(), select(in.get(), "/uiConfig/*").size());
    expectToolbarOnce(out.get());
}

TEST_F(X4Stylesheet, ReadFromMemoryWorksAsReadFromFile) {
    // The data block is found through document(''), which must also resolve
    // when the host parses the stylesheet from memory without a base address.
    const std::string bytes = resource("toolbar_x4");
    xsltStylesheet* fromMemory =
        xsltParseStylesheetDoc(xmlReadMemory(bytes.data(), int(bytes.size()), nullptr, nullptr, 0));
    ASSERT_TRUE(fromMemory);
    const std::string target = hostConfiguration();
    XmlDoc input(xmlReadMemory(target.data(), int(target.size()), nullptr, nullptr, 0));
    XmlDoc output(xsltApplyStylesheet(fromMemory, input.get(), nullptr));
    ASSERT_TRUE(output);
    xmlChar* text = nullptr;
    int length = 0;
    xsltSaveResultToString(&text, &length, output.get(), fromMemory);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(text), size_t(length)), apply(target));
    xmlFree(text);
    xsltFreeStylesheet(fromMemory);
}

TEST_F(X4Stylesheet, AppliedTwiceChangesNothingMore) {
    const std::string once = apply(hostConfiguration());
    const std::string twice = apply(once);
    EXPECT_EQ(twice, once);
    XmlDoc out = parseXml(twice);
    expectToolbarOnce(out.get());
}

TEST_F(X4Stylesheet, CreatesMissingSections) {
    const struct {
        const char* name;
        std::string target;
    } cases[] = {
        {"no items", config(std::string("  <commandBars>") + kOtherBars + "</commandBars>")},
        {"no command bars", config(std::string("  <items>") + kOtherItems + "</items>")},
        {"neither", config("")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        XmlDoc out = parseXml(apply(c.target));
        ASSERT_TRUE(out);
        EXPECT_EQ(select(out.get(), "/uiConfig/items").size(), 1u);
        EXPECT_EQ(select(out.get(), "/uiConfig/commandBars").size(), 1u);
        expectToolbarOnce(out.get());
        XmlDoc in = parseXml(c.target);
        EXPECT_EQ(select(out.get(), "/uiConfig/items/itemData").size(),
                  select(in.get(), "/uiConfig/items/itemData").size() + toolbarItems().size());
        if (select(in.get(), "/uiConfig/items").empty()) {
            EXPECT_TRUE(selectOne(out.get(), "/uiConfig/items/*[1][self::whatsNew]"));
        }
    }
}

TEST_F(X4Stylesheet, ReplacesOlderVersionsInPlace) {
    // An earlier release's bar (identity in upper case) and items, and a full
    // definition of the host's own item, which must survive.
    const std::string hostItem =
        std::string("<itemData guid=\"") + kHostItem + "\" userCaption=\"主机\"/>";
    const std::string target = config(std::string(R"(  <commandBars>
    <commandBar guid="aaaaaaaa-0000-0000-0000-000000000001" type="toolbar"/>
    <commandBar guid="53175317-5317-5317-5317-100000000001" type="toolbar"
        nonLocalizableName="ormel201600401" userCaption="旧工具">
      <container><item guidRef="53175317-5317-5317-5317-900000000001"/></container>
    </commandBar>
    <commandBar guid="aaaaaaaa-0000-0000-0000-000000000002" type="menu"/>
  </commandBars>
  <items>
    <itemData guid="bbbbbbbb-0000-0000-0000-000000000001"/>
    <itemData guid="53175317-5317-5317-5317-900000000001" userCaption="旧"
        dynamicCommand="mosvik1_导出图片"><userSmallBitmap>AAAA</userSmallBitmap></itemData>
    )") + hostItem + R"(
    <itemData guid="53175317-5317-5317-5317-9000000000AB"/>
    <itemData guid="53175317-5317-5317-5317-900000000098" userCaption="旧撤销"/>
  </items>)");

    XmlDoc out = parseXml(apply(target));
    ASSERT_TRUE(out);
    expectToolbarOnce(out.get());

    const auto bars = select(out.get(), "/uiConfig/commandBars/commandBar");
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(attr(bars[1], "guid"), kBarGuid) << "replaced where it stood";
    EXPECT_EQ(attr(bars[1], "userCaption"), "Ormel工具");

    const auto items = select(out.get(), "/uiConfig/items/itemData");
    ASSERT_GE(items.size(), 5u);
    EXPECT_EQ(attr(items[1], "guid"), toolbarItems()[0].guid) << "replaced where it stood";
    EXPECT_EQ(attr(items[1], "userCaption"), "导出图片");
    EXPECT_EQ(serialise(out.get(), items[2]), hostItem);
    EXPECT_EQ(attr(items[3], "guid"), "53175317-5317-5317-5317-9000000000AB")
        << "an identity that is not ours stays";
    EXPECT_EQ(attr(items[4], "userCaption"), "超级撤销");
    EXPECT_EQ(items.size(), 5u + 7u) << "the seven items the target lacked are added";
}

} // namespace
} // namespace mosvik::test
