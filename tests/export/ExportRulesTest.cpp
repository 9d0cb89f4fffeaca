// The export rules that need neither host nor window, case by case.
#include "export/ExportRules.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <limits>

namespace mosvik::exporting {
namespace {

TEST(ExportRules, FileTypesGiveFilterAndExtension) {
    struct Case {
        int index;
        int32_t filter;
        const char* extension;
    };
    const Case cases[] = {
        {0, 774, ".jpg"}, {1, 773, ".gif"}, {2, 802, ".png"}, {3, 769, ".bmp"},
        {4, 788, ".psd"}, {-1, 774, ""},    {5, 774, ""},     {99, 774, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(FilterCode(c.index), c.filter);
        EXPECT_EQ(FileExtension(c.index), QString::fromLatin1(c.extension));
    }
}

TEST(ExportRules, NumbersAreReadFromTheirLeadingDigits) {
    const int32_t max = std::numeric_limits<int32_t>::max();
    const int32_t min = std::numeric_limits<int32_t>::min();
    const std::pair<const char*, int32_t> cases[] = {
        {"", 0},
        {"7", 7},
        {" 7x", 7},
        {"\t 12", 12},
        {"-2", -2},
        {"+3", 3},
        {"abc", 0},
        {"1e9", 1},
        {"x5", 0},
        {"- 5", 0},
        {"007", 7},
        {"99999999999", max},
        {"2147483647", max},
        {"-2147483648", min},
        {"-99999999999", min},
        {"3.9", 3},
    };
    for (const auto& [text, value] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadLeadingInt(QString::fromUtf8(text)), value);
    }
}

TEST(ExportRules, PageListsFollowTheTypedText) {
    struct Case {
        const char* text;
        int32_t pageCount;
        std::vector<int32_t> pages;
        bool beyondLastPage;
    };
    const Case cases[] = {
        {"", 3, {}, false},
        {"1", 3, {1}, false},
        {"3", 3, {3}, false},
        {"5", 3, {}, true},
        {"99999999999", 3, {}, true},
        {" 7x", 9, {7}, false},
        {" 7x", 3, {}, true},
        {"1,3-4", 5, {1, 3, 4}, false},
        {"3-1", 5, {}, false},
        {"2,2", 3, {2, 2}, false},
        {"1,5", 3, {1, 5}, false}, // in a list, numbers are not checked here
        {"2-4,1", 5, {2, 3, 4, 1}, false},
        {"1-3", 2, {1, 2, 3}, false}, // nor in a range
        {"1,,2", 3, {1, 0, 2}, false},
        {"-2", 3, {0, 1, 2}, false},
        {"a-b", 3, {0}, false},
        {"0", 3, {0}, false},
        {"4-4", 5, {4}, false},
        {"1-2-3", 5, {1, 2}, false}, // the first two parts make the range
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const TPageList list = ParsePageList(QString::fromUtf8(c.text), c.pageCount);
        EXPECT_EQ(list.pages, c.pages);
        EXPECT_EQ(list.beyondLastPage, c.beyondLastPage);
        EXPECT_FALSE(list.tooLong);
    }
}

TEST(ExportRules, PageListsThatWouldNeverEndAreRefused) {
    for (const char* text : {"1-99999999999", "1-20000", "1,2-10001", "-2147483648-5"}) {
        SCOPED_TRACE(text);
        const TPageList list = ParsePageList(QString::fromUtf8(text), 3);
        EXPECT_TRUE(list.tooLong);
        EXPECT_TRUE(list.pages.empty());
    }
    EXPECT_EQ(ParsePageList(QStringLiteral("1-10000"), 3).pages.size(), size_t(10000));
}

TEST(ExportRules, PageFieldForTheCurrentDocument) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "1"}, {1, "1"}, {2, "1-2"}, {5, "1-5"}, {12, "1-12"}};
    for (const auto& [count, text] : cases)
        EXPECT_EQ(PageFieldForDocument(count), QString::fromUtf8(text)) << count;
}

TEST(ExportRules, FileNameFieldDropsTheDrawingEnding) {
    const std::pair<const char*, const char*> cases[] = {
        {"poster.cdr", "poster"},
        {"poster", "poster"},
        {"海报.cdr", "海报"},
        {"Poster.CDR", "Poster.CDR"}, // ends in ".cdr", but no ".cdr" in that case
        {"a.cdr.cdr", "a"},
        {"x.cdr-copy.cdr", "x-copy"},
        {"A.Cdr.cdr", "A.Cdr"},
        {"file.cdrx", "file.cdrx"},
        {"plan.cdr.bak", "plan.cdr.bak"},
        {"", ""},
    };
    for (const auto& [name, field] : cases)
        EXPECT_EQ(NameFromDocumentName(QString::fromUtf8(name)), QString::fromUtf8(field)) << name;
}

TEST(ExportRules, ResolutionAndScaleTexts) {
    const std::pair<const char*, int32_t> resolutions[] = {
        {"", 72}, {"300", 300}, {"abc", 0}, {"0", 0}, {"-72", -72}, {"1e9", 1}, {" 96 dpi", 96}};
    for (const auto& [text, dpi] : resolutions)
        EXPECT_EQ(ParseResolution(QString::fromUtf8(text)), dpi) << text;

    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German, QLocale::Germany);
    struct Case {
        const char* text;
        const QLocale* locale;
        double scale;
    };
    const Case scales[] = {
        {"", &c, 1.0},         {"2", &c, 2.0},        {"0.5", &c, 0.5},   {" 0.1 ", &c, 0.1},
        {"1,5", &c, 1.0},      {"1,000", &c, 1.0},    {"1e400", &c, 1.0}, {"abc", &c, 1.0},
        {"0", &c, 0.0},        {"-1", &c, -1.0},      {"1e2", &c, 100.0}, {"inf", &c, 1.0},
        {"1,5", &german, 1.5}, {"0.5", &german, 1.0},
    };
    for (const Case& s : scales) {
        SCOPED_TRACE(s.text);
        EXPECT_DOUBLE_EQ(ParseScale(QString::fromUtf8(s.text), *s.locale), s.scale);
    }
}

TEST(ExportRules, ImageSizesAreTruncatedTowardZero) {
    struct Case {
        double extent;
        double scale;
        int32_t resolution;
        int32_t pixels;
    };
    const Case cases[] = {
        {1000, 2, 300, 2000}, {500, 2, 300, 1000}, {1234.5, 0.5, 96, 197},
        {300, 1, 72, 72},     {100, 0.1, 600, 20}, {-1234.5, 0.5, 96, -197},
        {1, 0.5, 72, 0},      {2999, 1, 100, 999}, // 999.666… stays 999
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extent);
        EXPECT_EQ(TruncatedImageSide(ImageSide(c.extent, c.scale, c.resolution)), c.pixels);
    }
    EXPECT_FALSE(TruncatedImageSide(ImageSide(1e9, 10, 1200)));
    EXPECT_FALSE(TruncatedImageSide(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(TruncatedImageSide(std::numeric_limits<double>::quiet_NaN()));
}

TEST(ExportRules, ImagesBeyondTheMemoryLimitAreRefused) {
    const double limit = 400.0; // 100 pixels
    EXPECT_TRUE(ImageFitsInMemory(10, 10, limit));
    EXPECT_FALSE(ImageFitsInMemory(10, 11, limit));
    EXPECT_TRUE(ImageFitsInMemory(0, 1e12, limit)); // nothing to hold
    EXPECT_FALSE(ImageFitsInMemory(std::numeric_limits<double>::infinity(), 1, limit));
    EXPECT_FALSE(ImageFitsInMemory(1e200, 1e200, 1e300));
    EXPECT_GT(DefaultImageByteLimit(), 0.0);
}

TEST(ExportRules, HalvesComeInExportOrder) {
    struct Case {
        TPageBox page;
        bool horizontal;
        TArea first;
        TArea second;
        TArea extent;
    };
    const Case cases[] = {
        {{0, 0, 600, 800}, true, {0, 400, 600, 400}, {0, 0, 600, 400}, {0, 0, 600, 400}},
        {{0, 0, 600, 800}, false, {0, 0, 300, 800}, {300, 0, 300, 800}, {0, 0, 300, 800}},
        {{10, 20, 600, 800}, true, {10, 400, 600, 400}, {10, 20, 600, 400}, {0, 0, 600, 400}},
        {{10, 20, 600, 800}, false, {10, 20, 300, 800}, {300, 20, 300, 800}, {0, 0, 300, 800}},
        {{0, 0, 601, 801}, true, {0, 400.5, 601, 400.5}, {0, 0, 601, 400.5}, {0, 0, 601, 400.5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.horizontal ? "horizontal" : "vertical");
        const auto halves = HalfAreas(c.page, c.horizontal);
        ASSERT_EQ(halves.size(), size_t(2));
        EXPECT_EQ(halves[0], c.first);
        EXPECT_EQ(halves[1], c.second);
        EXPECT_EQ(HalfExtent(c.page, c.horizontal), c.extent);
    }
}

TEST(ExportRules, FileNamesStayInsideTheFolder) {
    struct Case {
        const char* base;
        const char* page;
        const char* half;
        const char* number;
        const char* extension;
        const char* name;
    };
    const Case cases[] = {
        {"海报", "-P", "", "-2", ".png", "/out/海报-P-2.png"},
        {"海报", "", "", "-2", ".png", "/out/海报-2.png"},
        {"海报", "-页面 1", "1前", "-3", ".jpg", "/out/海报-页面 11前-3.jpg"},
        {"海报", "-页面 1", "2后", "-4", ".jpg", "/out/海报-页面 12后-4.jpg"},
        {"海报", "", "", "", "", "/out/海报"},
        {"..", "", "", "", "", "/out/_.."},
        {".", "", "", "", "", "/out/_."},
        {"..", "", "", "", ".jpg", "/out/...jpg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ComposeFileName(QStringLiteral("/out/"), QString::fromUtf8(c.base),
                                  QString::fromUtf8(c.page), QString::fromUtf8(c.half),
                                  QString::fromUtf8(c.number), QString::fromUtf8(c.extension)),
                  QString::fromUtf8(c.name));
    }

    const std::pair<const char*, const char*> names[] = {
        {"page", "page"},          {"../../etc/x", ".._.._etc_x"}, {"a\\b", "a_b"},
        {"tab\there", "tab_here"}, {"页面 1", "页面 1"},
    };
    for (const auto& [name, safe] : names)
        EXPECT_EQ(SafeNamePart(QString::fromUtf8(name)), QString::fromUtf8(safe)) << name;

    EXPECT_EQ(FolderWithSeparator(QStringLiteral("/home/u/Pictures")), "/home/u/Pictures/");
    EXPECT_EQ(FolderWithSeparator(QStringLiteral("/home/u/Pictures/")), "/home/u/Pictures/");
}

} // namespace
} // namespace mosvik::exporting
