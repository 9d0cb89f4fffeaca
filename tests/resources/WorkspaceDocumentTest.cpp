// The uiConfig documents inside the three workspace files, their item
// bitmaps and the X8 icons.
#include "WorkspaceTestSupport.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QSet>

#include <cstdint>
#include <map>

namespace mosvik::test {
namespace {

enum class Flavour { X4, X7, X8 };

struct DocumentCase {
    Flavour flavour;
    const char* version;
};

std::string nameOf(Flavour f) {
    return f == Flavour::X4 ? "X4" : f == Flavour::X7 ? "X7" : "X8";
}

// The uiConfig document of a workspace file; for X4 the stylesheet's data
// block, which the XPath expressions then start from.
struct UiConfig {
    XmlDoc doc;
    xmlNode* root = nullptr;
};

UiConfig uiConfig(Flavour flavour) {
    UiConfig config;
    if (flavour == Flavour::X4) {
        config.doc = parseXml(resource("toolbar_x4"));
        config.root = selectOne(config.doc.get(), "/*/*[local-name()='data']/uiConfig");
    } else {
        const ZipReader zip(resource(flavour == Flavour::X7 ? "toolbar_x7" : "toolbar_x8"));
        config.doc = parseXml(zip.read("content/workspace.xml"));
        config.root = selectOne(config.doc.get(), "/uiConfig");
    }
    return config;
}

class WorkspaceDocument : public ::testing::TestWithParam<DocumentCase> {};

TEST_P(WorkspaceDocument, DescribesTheBarAndItsTenItems) {
    const Flavour flavour = GetParam().flavour;
    const UiConfig config = uiConfig(flavour);
    xmlDoc* doc = config.doc.get();
    ASSERT_TRUE(config.root);

    xmlNode* info = selectOne(doc, "applicationInfo", config.root);
    EXPECT_EQ(attr(info, "name"), "CorelDRAW");
    EXPECT_EQ(attr(info, "framework"), "CorelDRAW");
    EXPECT_EQ(attr(info, "version"), GetParam().version);
    EXPECT_EQ(attr(info, "userConfiguration"), "true");
    EXPECT_EQ(attr(info, "localizedLang"), "CS");
    if (flavour != Flavour::X4) {
        xmlNode* userData = selectOne(doc, "userData", config.root);
        EXPECT_TRUE(userData && !userData->children);
    }

    xmlNode* bar = selectOne(doc, "commandBars/commandBar", config.root);
    EXPECT_EQ(attr(bar, "guid"), kBarGuid);
    EXPECT_EQ(attr(bar, "type"), "toolbar");
    EXPECT_EQ(attr(bar, "nonLocalizableName"), "ormel201600401");
    EXPECT_EQ(attr(bar, "userCaption"), "Ormel工具");
    EXPECT_EQ(attr(bar, "userCreated"), "true");

    ASSERT_TRUE(selectOne(doc, "items/*[1][self::whatsNew][@sinceVersion='off']", config.root));
    const auto data = select(doc, "items/itemData", config.root);
    ASSERT_EQ(data.size(), toolbarItems().size());
    for (size_t i = 0; i < data.size(); ++i) {
        const ToolbarItem& item = toolbarItems()[i];
        SCOPED_TRACE(item.guid);
        if (item.command.empty()) {
            EXPECT_EQ(attr(data[i], "guidRef"), item.guid);
            EXPECT_EQ(data[i]->properties->next, nullptr) << "only a guidRef";
            EXPECT_EQ(data[i]->children, nullptr);
            continue;
        }
        EXPECT_EQ(attr(data[i], "guid"), item.guid);
        EXPECT_EQ(attr(data[i], "dynamicCommand"), item.command);
        EXPECT_EQ(attr(data[i], "dynamicCategory"), kCategory);
        if (flavour == Flavour::X8) {
            EXPECT_EQ(attr(data[i], "icon"),
                      "guid://53175317-5317-5317-5317-1100000000" + item.key());
            EXPECT_EQ(attr(data[i], "userCaption"), "<none>");
            EXPECT_EQ(attr(data[i], "userToopTip"), "<none>");
            EXPECT_EQ(data[i]->children, nullptr);
        } else {
            EXPECT_EQ(attr(data[i], "userCaption"), item.caption);
            EXPECT_EQ(attr(data[i], "userToopTip"), item.tooltip);
            EXPECT_EQ(attr(data[i], "icon"), "<none>");
            EXPECT_EQ(select(doc, "userSmallBitmap", data[i]).size(), 1u);
            EXPECT_EQ(select(doc, "userLargeBitmap", data[i]).size(), 1u);
        }
    }
}

TEST_P(WorkspaceDocument, ListsTheBarItemsInItsOwnLayout) {
    const Flavour flavour = GetParam().flavour;
    const UiConfig config = uiConfig(flavour);
    xmlDoc* doc = config.doc.get();
    ASSERT_TRUE(config.root);

    // (guid, excluded) in the order the bar holds them.
    std::vector<std::pair<std::string, std::string>> expected;
    const auto& items = toolbarItems();
    if (flavour == Flavour::X7)
        for (const auto& item : items) {
            expected.emplace_back(item.guid, "<none>");
            expected.emplace_back(item.guid, "true");
        }
    else
        for (const char* excluded : flavour == Flavour::X8
                                        ? std::vector<const char*>{"<none>", "true"}
                                        : std::vector<const char*>{"<none>"})
            for (const auto& item : items)
                expected.emplace_back(item.guid, excluded);

    xmlNode* bar = selectOne(doc, "commandBars/commandBar", config.root);
    const char* holder = flavour == Flavour::X4 ? "container" : "toolbar";
    const auto holders = select(doc, "*", bar);
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(holders[0]->name), holder);
    if (flavour == Flavour::X8) {
        EXPECT_EQ(attr(holders[0], "type"), "toolbar");
        EXPECT_EQ(attr(holders[0], "dock"), "fill");
        EXPECT_EQ(attr(holders[0], "itemFace"), "notSet");
    }
    const auto listed = select(doc, "*", holders[0]);
    ASSERT_EQ(listed.size(), expected.size());
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_STREQ(reinterpret_cast<const char*>(listed[i]->name), "item");
        EXPECT_EQ(std::make_pair(attr(listed[i], "guidRef"), attr(listed[i], "excluded")),
                  expected[i])
            << "position " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(AllFiles, WorkspaceDocument,
                         ::testing::Values(DocumentCase{Flavour::X4, "14"},
                                           DocumentCase{Flavour::X7, "17"},
                                           DocumentCase{Flavour::X8, "18"}),
                         [](const auto& info) { return nameOf(info.param.flavour); });

uint32_t u32(const QByteArray& b, int at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

uint16_t u16(const QByteArray& b, int at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}

// Counts of transparent and of opaque pixels.
std::pair<int, int> coverage(const QImage& image) {
    std::pair<int, int> counts{0, 0};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++(qAlpha(image.pixel(x, y)) == 0 ? counts.first : counts.second);
    return counts;
}

TEST(ItemBitmaps, AreDistinct8BitPaletteBmpsKeyedOnMagenta) {
    for (Flavour flavour : {Flavour::X4, Flavour::X7}) {
        const UiConfig config = uiConfig(flavour);
        QSet<QByteArray> seen;
        for (xmlNode* item : select(config.doc.get(), "items/itemData[@guid]", config.root)) {
            for (auto [element, size] :
                 {std::pair{"userSmallBitmap", 16}, {"userLargeBitmap", 24}}) {
                SCOPED_TRACE(nameOf(flavour) + " " + attr(item, "guid") + " " + element);
                const QByteArray bmp = QByteArray::fromBase64(
                    QByteArray::fromStdString(text(selectOne(config.doc.get(), element, item))),
                    QByteArray::AbortOnBase64DecodingErrors);
                ASSERT_GE(bmp.size(), 54);
                EXPECT_EQ(bmp.left(2), "BM");
                EXPECT_EQ(u32(bmp, 2), uint32_t(bmp.size()));
                EXPECT_EQ(u32(bmp, 18), uint32_t(size));
                EXPECT_EQ(u32(bmp, 22), uint32_t(size)) << "bottom-up rows";
                EXPECT_EQ(u16(bmp, 28), 8) << "bits per pixel";
                EXPECT_EQ(u32(bmp, 30), 0u) << "uncompressed";

                QImage image = QImage::fromData(bmp, "BMP");
                ASSERT_FALSE(image.isNull());
                EXPECT_EQ(image.format(), QImage::Format_Indexed8);
                EXPECT_EQ(image.colorCount(), 256);
                int key = 0, drawn = 0;
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x)
                        ++((image.pixel(x, y) & 0xffffff) == 0xff00ff ? key : drawn);
                EXPECT_GT(key, 0) << "a transparent background";
                EXPECT_GT(drawn, size) << "a glyph";
                EXPECT_FALSE(seen.contains(bmp)) << "same picture as another item";
                seen.insert(bmp);
            }
        }
        EXPECT_EQ(seen.size(), 18);
    }
}

TEST(ItemIcons, AreNineImageIconsAt48_32_16PixelsAnd4_8_32Bits) {
    const ZipReader zip(resource("toolbar_x8"));
    for (const ToolbarItem& item : toolbarItems()) {
        if (item.command.empty())
            continue;
        const std::string name =
            "content/icons/53175317-5317-5317-5317-1100000000" + item.key() + ".ico";
        SCOPED_TRACE(name);
        const QByteArray ico = QByteArray::fromStdString(zip.read(name));
        ASSERT_GE(ico.size(), 6 + 9 * 16);
        EXPECT_EQ(u16(ico, 0), 0);
        EXPECT_EQ(u16(ico, 2), 1) << "icon, not cursor";
        ASSERT_EQ(u16(ico, 4), 9);

        std::map<std::pair<int, int>, int> found; // (size, bpp) -> count
        for (int i = 0; i < 9; ++i) {
            const int entry = 6 + 16 * i;
            const int size = uint8_t(ico[entry]);
            const int bpp = u16(ico, entry + 6);
            const uint32_t length = u32(ico, entry + 8), offset = u32(ico, entry + 12);
            ASSERT_LE(uint64_t(offset) + length, uint64_t(ico.size()));
            EXPECT_EQ(uint8_t(ico[entry + 1]), size);
            EXPECT_EQ(uint8_t(ico[entry + 2]), bpp == 4 ? 16 : 0) << "colour count";
            EXPECT_EQ(u32(ico, offset), 40u) << "BITMAPINFOHEADER";
            EXPECT_EQ(u32(ico, offset + 4), uint32_t(size));
            EXPECT_EQ(u32(ico, offset + 8), uint32_t(2 * size)) << "colour and mask rows";
            EXPECT_EQ(u16(ico, offset + 14), bpp);
            const auto rowBytes = [](int w, int bits) {
                return (w * bits + 31) / 32 * 4;
            };
            const uint32_t paletteBytes = bpp == 32 ? 0 : 4u << bpp;
            EXPECT_EQ(length, 40 + paletteBytes +
                                  uint32_t((rowBytes(size, bpp) + rowBytes(size, 1)) * size));
            ++found[{size, bpp}];
        }
        for (int size : {48, 32, 16})
            for (int bpp : {4, 8, 32})
                EXPECT_EQ((found[{size, bpp}]), 1) << size << " px at " << bpp << " bits";

        QBuffer buffer(const_cast<QByteArray*>(&ico));
        QImageReader reader(&buffer, "ico");
        ASSERT_EQ(reader.imageCount(), 9);
        for (int i = 0; i < 9; ++i) {
            ASSERT_TRUE(reader.jumpToImage(i));
            const QImage image = reader.read();
            ASSERT_FALSE(image.isNull())
                << "image " << i << ": " << reader.errorString().toStdString();
            EXPECT_EQ(image.width(), uint8_t(ico[6 + 16 * i]));
            const auto [clear, drawn] = coverage(image.convertToFormat(QImage::Format_ARGB32));
            EXPECT_GT(clear, 0) << "image " << i << " has a transparent background";
            EXPECT_GT(drawn, image.width()) << "image " << i << " has a glyph";
        }
    }
}

} // namespace
} // namespace mosvik::test
