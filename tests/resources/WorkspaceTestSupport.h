// Reading the workspace files in tests: archive entries through libzip, XML
// through libxml2 with XPath look-ups, and the toolbar's expected items.
#pragma once

#include "resources/Resources.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <zip.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace mosvik::test {

inline const char* const kBarGuid = "53175317-5317-5317-5317-100000000001";
inline const char* const kHostItem = "266435b4-6e53-460f-9fa7-f45be187d400";
inline const char* const kCategory = "ab489730-8791-45d2-a825-b78bbe0d6a5d";

struct ToolbarItem {
    std::string guid;
    std::string command; // empty for the host's own item
    std::string caption;
    std::string tooltip;
    std::string key() const { return guid.substr(guid.size() - 2); }
};

// Written out here, not derived from the sources, so a slip in either shows.
inline const std::vector<ToolbarItem>& toolbarItems() {
    static const std::vector<ToolbarItem> items = {
        {"53175317-5317-5317-5317-900000000001", "mosvik1_导出图片", "导出图片", "导出图片"},
        {"53175317-5317-5317-5317-900000000002", "mosvik1_转换", "转换", "转换"},
        {"53175317-5317-5317-5317-900000000003", "mosvik1_一键PS", "一键PS", "一键PS"},
        {"53175317-5317-5317-5317-900000000004", "mosvik1_裁切标记", "裁切标记", "裁切标记"},
        {"53175317-5317-5317-5317-900000000007", "mosvik1_二维码", "二维码", "二维码"},
        {"53175317-5317-5317-5317-900000000008", "mosvik1_同类选择", "同类选择", "同类选择"},
        {"53175317-5317-5317-5317-900000000009", "mosvik1_字体识别", "字体识别", "字体识别"},
        {kHostItem, "", "", ""},
        {"53175317-5317-5317-5317-900000000098", "mosvik1_超级撤销", "超级撤销",
         "如果执行了大批量操作，请使用这个"},
        {"53175317-5317-5317-5317-900000000099", "mosvik1_超级重做", "超级重做",
         "如果执行了大批量操作，请使用这个"},
    };
    return items;
}

inline std::string generatedFile(const std::string& name) {
    std::ifstream in(std::string(MOSVIK_WORKSPACE_DIR) + "/" + name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline std::string resource(std::string_view name) {
    const auto data = mosvik::resourceData(name);
    if (!data) {
        ADD_FAILURE() << "no resource " << name;
        return {};
    }
    return std::string(*data);
}

// ---- XML -------------------------------------------------------------------

struct XmlDocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDoc = std::unique_ptr<xmlDoc, XmlDocFree>;

inline XmlDoc parseXml(const std::string& text) {
    XmlDoc doc(xmlReadMemory(text.data(), int(text.size()), "doc.xml", nullptr,
                             XML_PARSE_NOBLANKS | XML_PARSE_NONET));
    if (!doc)
        ADD_FAILURE() << "not well-formed XML:\n" << text.substr(0, 400);
    return doc;
}

inline std::vector<xmlNode*> select(xmlDoc* doc, const std::string& xpath,
                                    xmlNode* context = nullptr) {
    std::vector<xmlNode*> nodes;
    if (!doc)
        return nodes;
    xmlXPathContext* ctx = xmlXPathNewContext(doc);
    ctx->node = context ? context : xmlDocGetRootElement(doc);
    xmlXPathObject* result = xmlXPathEvalExpression(BAD_CAST xpath.c_str(), ctx);
    if (!result)
        ADD_FAILURE() << "bad XPath " << xpath;
    else if (result->nodesetval)
        for (int i = 0; i < result->nodesetval->nodeNr; ++i)
            nodes.push_back(result->nodesetval->nodeTab[i]);
    xmlXPathFreeObject(result);
    xmlXPathFreeContext(ctx);
    return nodes;
}

inline xmlNode* selectOne(xmlDoc* doc, const std::string& xpath, xmlNode* context = nullptr) {
    const auto nodes = select(doc, xpath, context);
    EXPECT_EQ(nodes.size(), 1u) << xpath;
    return nodes.size() == 1 ? nodes.front() : nullptr;
}

// The attribute's value; "<none>" when the node or the attribute is missing.
inline std::string attr(xmlNode* node, const char* name) {
    if (!node)
        return "<none>";
    xmlChar* value = xmlGetProp(node, BAD_CAST name);
    if (!value)
        return "<none>";
    std::string s(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return s;
}

inline std::string text(xmlNode* node) {
    if (!node)
        return {};
    xmlChar* value = xmlNodeGetContent(node);
    std::string s(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return s;
}

inline std::string serialise(xmlDoc* doc, xmlNode* node) {
    xmlBuffer* buffer = xmlBufferCreate();
    xmlNodeDump(buffer, doc, node, 0, 0);
    std::string s(reinterpret_cast<const char*>(xmlBufferContent(buffer)));
    xmlBufferFree(buffer);
    return s;
}

// ---- ZIP -------------------------------------------------------------------

class ZipReader {
public:
    explicit ZipReader(const std::string& bytes) : bytes_(bytes) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes_.data(), bytes_.size(), 0, &error);
        archive_ =
            source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
        if (!archive_) {
            ADD_FAILURE() << "not a valid archive: " << zip_error_strerror(&error);
            zip_source_free(source);
        }
        zip_error_fini(&error);
    }
    ~ZipReader() {
        if (archive_)
            zip_discard(archive_);
    }
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    zip_t* get() const { return archive_; }

    std::vector<std::string> names() const {
        std::vector<std::string> result;
        const zip_int64_t n = archive_ ? zip_get_num_entries(archive_, 0) : 0;
        for (zip_int64_t i = 0; i < n; ++i)
            result.emplace_back(zip_get_name(archive_, zip_uint64_t(i), 0));
        return result;
    }

    std::string read(const std::string& name) const {
        zip_stat_t st;
        if (!archive_ || zip_stat(archive_, name.c_str(), 0, &st) != 0) {
            ADD_FAILURE() << "no entry " << name;
            return {};
        }
        std::string data(st.size, '\0');
        zip_file_t* file = zip_fopen(archive_, name.c_str(), 0);
        const zip_int64_t got = file ? zip_fread(file, data.data(), st.size) : -1;
        if (file)
            zip_fclose(file);
        EXPECT_EQ(got, zip_int64_t(st.size)) << name;
        return data;
    }

private:
    std::string bytes_;
    zip_t* archive_ = nullptr;
};

} // namespace mosvik::test
