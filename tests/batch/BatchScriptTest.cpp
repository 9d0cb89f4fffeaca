#include "app/BatchScript.h"

#include <gtest/gtest.h>

namespace mosvik::app {
namespace {

TEST(BatchScript, WordsQuotesAndComments) {
    const auto lines = parseBatchScript(QString(QChar(0xFEFF)) +
                                        QStringLiteral("# a comment\n"
                                                       "\n"
                                                       "  set edt_fileName \"a b # c\"  # note\r\n"
                                                       "set edt_Location \"x\\\"y\\\\z\"\n"
                                                       "select 矩形1 椭圆2\n"
                                                       "set cbb_Filetype #2 #note\n"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].number, 3);
    EXPECT_EQ(lines[0].command, "set");
    EXPECT_EQ(lines[0].args, (QStringList{"edt_fileName", "a b # c"}));
    EXPECT_EQ(lines[1].args, (QStringList{"edt_Location", "x\"y\\z"}));
    EXPECT_EQ(lines[2].args, (QStringList{"矩形1", "椭圆2"}));
    EXPECT_EQ(lines[3].args, (QStringList{"cbb_Filetype", "#2"}));
}

TEST(BatchScript, BadLinesNameTheirLineNumber) {
    struct Case {
        const char* script;
        int line;
        const char* message;
    } cases[] = {
        {"new\nfrobnicate x\n", 2, "unknown command"},
        {"new\n\nset only-one\n", 3, "takes 2 argument(s), got 1"},
        {"quit now\n", 1, "takes 0 argument(s)"},
        {"select\n", 1, "1 or more"},
        {"new\nset a \"unterminated\n", 2, "unterminated quote"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        try {
            parseBatchScript(QString::fromUtf8(c.script));
            ADD_FAILURE() << "no error";
        } catch (const BatchError& e) {
            EXPECT_EQ(e.line(), c.line);
            EXPECT_TRUE(e.message().contains(c.message)) << e.message().toStdString();
        }
    }
}

} // namespace
} // namespace mosvik::app
