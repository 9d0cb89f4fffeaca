// The X7 and X8 workspace archives: entry layout, storage and the small
// documents that accompany the toolbar.
#include "WorkspaceTestSupport.h"

#include <QString>
#include <QStringList>

namespace mosvik::test {
namespace {

struct ArchiveCase {
    const char* resource;
    int version;
};

class WorkspaceArchive : public ::testing::TestWithParam<ArchiveCase> {
protected:
    std::string bytes() const { return resource(GetParam().resource); }
    bool hasIcons() const { return GetParam().version >= 18; }
};

TEST_P(WorkspaceArchive, EntriesComeInOrderWithTheirStorageMethods) {
    struct Entry {
        std::string name;
        zip_uint16_t method;
    };
    std::vector<Entry> expected = {{"META-INF/", ZIP_CM_STORE},
                                   {"META-INF/container.xml", ZIP_CM_DEFLATE},
                                   {"META-INF/links.xml", ZIP_CM_STORE},
                                   {"META-INF/metadata.xml", ZIP_CM_DEFLATE},
                                   {"content/", ZIP_CM_STORE}};
    if (hasIcons())
        expected.push_back({"content/icons/", ZIP_CM_STORE});
    expected.push_back({"content/settings.ini", ZIP_CM_DEFLATE});
    expected.push_back({"mimetype", ZIP_CM_STORE});
    if (hasIcons())
        for (const ToolbarItem& item : toolbarItems())
            if (!item.command.empty())
                expected.push_back(
                    {"content/icons/53175317-5317-5317-5317-1100000000" + item.key() + ".ico",
                     ZIP_CM_DEFLATE});
    expected.push_back({"content/workspace.xml", ZIP_CM_DEFLATE});
    expected.push_back({"content/exportsettings.xml", ZIP_CM_DEFLATE});

    const ZipReader zip(bytes());
    ASSERT_TRUE(zip.get());
    const auto names = zip.names();
    ASSERT_EQ(names.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(names[i], expected[i].name);
        zip_stat_t st;
        ASSERT_EQ(zip_stat_index(zip.get(), i, 0, &st), 0);
        ASSERT_TRUE(st.valid & ZIP_STAT_COMP_METHOD);
        EXPECT_EQ(st.comp_method, expected[i].method);
    }
    EXPECT_EQ(zip.read("mimetype"), "application/x-vnd.corel.zcf.workspace+zip");
}

TEST_P(WorkspaceArchive, SettingsIniIsUtf16WithByteOrderMark) {
    const ZipReader zip(bytes());
    const std::string raw = zip.read("content/settings.ini");
    ASSERT_GE(raw.size(), 2u);
    ASSERT_EQ(raw.substr(0, 2), std::string("\xff\xfe", 2));
    ASSERT_EQ(raw.size() % 2, 0u);
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(raw.data() + 2),
                                            qsizetype(raw.size() / 2 - 1));
    const QStringList expected = {"; Please do not remove! This line is required by Winnt4.",
                                  "",
                                  "[Comments]",
                                  "c1=以下范围内该文件的所有设置均可修改",
                                  "c2=",
                                  "c3=",
                                  "c4=",
                                  "c5="};
    QStringList lines = text.split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    EXPECT_EQ(lines, expected) << text.toStdString();
}

TEST_P(WorkspaceArchive, CompanionDocumentsDescribeTheToolbar) {
    const ZipReader zip(bytes());
    const std::string version = std::to_string(GetParam().version);

    XmlDoc container = parseXml(zip.read("META-INF/container.xml"));
    ASSERT_TRUE(container);
    const auto rootfiles = select(container.get(), "/*[local-name()='container']/*");
    ASSERT_EQ(rootfiles.size(), 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(rootfiles[0]->name), "rootfiles");
    EXPECT_EQ(rootfiles[0]->children, nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(rootfiles[0]->ns ? rootfiles[0]->ns->href : nullptr),
                 "urn:oasis:names:tc:opendocument:xmlns:container");

    XmlDoc links = parseXml(zip.read("META-INF/links.xml"));
    ASSERT_TRUE(links);
    EXPECT_EQ(serialise(links.get(), xmlDocGetRootElement(links.get())), "<linkInfo/>");

    XmlDoc metadata = parseXml(zip.read("META-INF/metadata.xml"));
    ASSERT_TRUE(metadata);
    const auto titles = select(metadata.get(), "//*[local-name()='title']//*[local-name()='li']");
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(text(titles[0]), "ormel2015b");
    EXPECT_EQ(text(titles[1]), "ormel2015b");
    EXPECT_EQ(select(metadata.get(), "//*[local-name()='li'][@xml:lang='x-default']").size(), 2u);
    EXPECT_EQ(select(metadata.get(), "//*[local-name()='title']//*[@xml:lang='cs']").size(), 1u);
    EXPECT_EQ(text(selectOne(metadata.get(), "//*[local-name()='uiOrder']")), "200");
    EXPECT_EQ(text(selectOne(metadata.get(), "//*[local-name()='category']")), "");

    XmlDoc settings = parseXml(zip.read("content/exportsettings.xml"));
    ASSERT_TRUE(settings);
    xmlNode* root = selectOne(settings.get(), "/workspaceExportSettings");
    EXPECT_EQ(attr(root, "name"), "CorelDRAW");
    EXPECT_EQ(attr(root, "framework"), "CorelDRAW");
    EXPECT_EQ(attr(root, "version"), version);
    const auto chosen = select(settings.get(), "//*[@selected='true']");
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(attr(chosen[0], "guid"), kBarGuid);
    EXPECT_EQ(attr(chosen[0], "name"), "ormel201600401");
    EXPECT_GE(select(settings.get(), "commandBars/commandBar[@selected='false']").size(), 1u);
    EXPECT_EQ(select(settings.get(), "menus/menu[@selected='false']").size(), 2u);
    EXPECT_EQ(selectOne(settings.get(), "statusbars")->children, nullptr);
    xmlNode* options = selectOne(settings.get(), "options");
    for (const char* option : {"exportShortcutKeys", "exportDockers", "exportApplicationData"})
        EXPECT_EQ(attr(options, option), "false") << option;
}

INSTANTIATE_TEST_SUITE_P(X7AndX8, WorkspaceArchive,
                         ::testing::Values(ArchiveCase{"toolbar_x7", 17},
                                           ArchiveCase{"toolbar_x8", 18}),
                         [](const auto& info) { return "V" + std::to_string(info.param.version); });

} // namespace
} // namespace mosvik::test
