#include "WorkspaceTestSupport.h"

namespace mosvik::test {
namespace {

TEST(EmbeddedResources, HoldExactlyTheGeneratedFiles) {
    const struct {
        const char* name;
        const char* file;
    } cases[] = {
        {"toolbar_x4", "TTx4.xslt"},
        {"toolbar_x7", "TTx7.cdws"},
        {"toolbar_x8", "TTx8.cdws"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string expected = generatedFile(c.file);
        ASSERT_FALSE(expected.empty());
        const auto data = mosvik::resourceData(c.name);
        ASSERT_TRUE(data.has_value());
        EXPECT_TRUE(*data == expected) << "sizes " << data->size() << " and " << expected.size();
    }
}

TEST(EmbeddedResources, UnknownOrMisspelledNamesGiveNothing) {
    for (const char* name : {"", "toolbar_x5", "Toolbar_x4", "toolbar_x4 ", "TTx4.xslt"})
        EXPECT_FALSE(mosvik::resourceData(name).has_value()) << '"' << name << '"';
}

} // namespace
} // namespace mosvik::test
