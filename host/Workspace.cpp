#include "Workspace.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QString>
#include <QUuid>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>
#include <zip.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <optional>

namespace mosvik::host {

namespace {

// The host's own bars and items. 266435b4-… is the host's separator item,
// which workspace files may place on their bars by identity alone.
const char* const kDefaultConfiguration = R"(<?xml version="1.0" encoding="UTF-8"?>
<uiConfig>
  <applicationInfo name="CorelDRAW" framework="CorelDRAW" userConfiguration="false"
      localizedLang="CS"/>
  <commandBars>
    <commandBar guid="6d6f7376-696b-0003-8000-000000000001" type="toolbar"
        nonLocalizableName="Standard" userCaption="标准" visible="true">
      <toolbar>
        <item guidRef="6d6f7376-696b-0004-8000-000000000001"/>
        <item guidRef="6d6f7376-696b-0004-8000-000000000002"/>
        <item guidRef="6d6f7376-696b-0004-8000-000000000003"/>
        <item guidRef="266435b4-6e53-460f-9fa7-f45be187d400"/>
        <item guidRef="6d6f7376-696b-0004-8000-000000000004"/>
        <item guidRef="6d6f7376-696b-0004-8000-000000000005"/>
      </toolbar>
    </commandBar>
    <commandBar guid="6d6f7376-696b-0003-8000-000000000002" type="toolbar"
        nonLocalizableName="Toolbox" userCaption="工具箱" visible="true">
      <toolbar>
        <item guidRef="6d6f7376-696b-0004-8000-000000000006"/>
        <item guidRef="6d6f7376-696b-0004-8000-000000000007"/>
        <item guidRef="6d6f7376-696b-0004-8000-000000000008"/>
        <item guidRef="6d6f7376-696b-0004-8000-000000000009"/>
      </toolbar>
    </commandBar>
  </commandBars>
  <items>
    <whatsNew sinceVersion="off"/>
    <itemData guid="6d6f7376-696b-0004-8000-000000000001" hostCommand="file.new"
        userCaption="新建" userToopTip="新建绘图"/>
    <itemData guid="6d6f7376-696b-0004-8000-000000000002" hostCommand="file.open"
        userCaption="打开" userToopTip="打开绘图"/>
    <itemData guid="6d6f7376-696b-0004-8000-000000000003" hostCommand="file.save"
        userCaption="保存" userToopTip="保存绘图"/>
    <itemData guid="266435b4-6e53-460f-9fa7-f45be187d400" hostCommand="separator"
        userCaption="分隔符" userToopTip=""/>
    <itemData guid="6d6f7376-696b-0004-8000-000000000004" hostCommand="edit.undo"
        userCaption="撤销" userToopTip="撤销上一步操作"/>
    <itemData guid="6d6f7376-696b-0004-8000-000000000005" hostCommand="edit.redo"
        userCaption="重做" userToopTip="重做撤销的操作"/>
    <itemData guid="6d6f7376-696b-0004-8000-000000000006" hostCommand="tool.pick"
        userCaption="挑选工具" userToopTip="选择和变换对象"/>
    <itemData guid="6d6f7376-696b-0004-8000-000000000007" hostCommand="tool.rectangle"
        userCaption="矩形工具" userToopTip="绘制矩形"/>
    <itemData guid="6d6f7376-696b-0004-8000-000000000008" hostCommand="tool.ellipse"
        userCaption="椭圆形工具" userToopTip="绘制椭圆形"/>
    <itemData guid="6d6f7376-696b-0004-8000-000000000009" hostCommand="tool.text"
        userCaption="文本工具" userToopTip="添加文本"/>
  </items>
</uiConfig>
)";

struct DocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

[[noreturn]] void failWith(std::u16string text) {
    throw WorkspaceError{std::move(text)};
}

std::u16string u16(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdU16String();
}

const xmlChar* xml(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}

std::string attr(const xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, xml(name));
    if (!value)
        return {};
    std::string s(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return s;
}

void setAttr(xmlNode* node, const char* name, const std::u16string& value) {
    const QByteArray utf8 = QString::fromStdU16String(value).toUtf8();
    xmlSetProp(node, xml(name), xml(utf8.constData()));
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool named(const xmlNode* node, const char* name) {
    return node && node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, xml(name));
}

std::vector<xmlNode*> elements(xmlNode* parent, const char* name = nullptr) {
    std::vector<xmlNode*> found;
    if (!parent)
        return found;
    for (xmlNode* n = parent->children; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE && (!name || named(n, name)))
            found.push_back(n);
    return found;
}

xmlNode* firstElement(xmlNode* parent, const char* name) {
    auto all = elements(parent, name);
    return all.empty() ? nullptr : all.front();
}

std::string textOf(xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    if (!content)
        return {};
    std::string s(reinterpret_cast<const char*>(content));
    xmlFree(content);
    return s;
}

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ' || s.back() == '\r'))
        s.pop_back();
    return s;
}

DocPtr parseXml(const std::string& bytes, const char* url, int options, const char16_t* what) {
    if (bytes.size() > static_cast<size_t>(INT_MAX))
        failWith(std::u16string(what) + u" is too large");
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt)
        throw std::bad_alloc();
    DocPtr doc(
        xmlCtxtReadMemory(ctxt, bytes.data(), static_cast<int>(bytes.size()), url, nullptr,
                          options | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    std::string reason = "empty document";
    if (const xmlError* e = xmlCtxtGetLastError(ctxt); e && e->message)
        reason = "line " + std::to_string(e->line) + ": " + trimmed(e->message);
    xmlFreeParserCtxt(ctxt);
    if (!doc)
        failWith(std::u16string(what) + u" is not well-formed XML (" + u16(reason) + u")");
    return doc;
}

void checkConfiguration(xmlDoc* doc, const char16_t* what) {
    if (!named(xmlDocGetRootElement(doc), "uiConfig"))
        failWith(std::u16string(what) + u" is not a user interface configuration (no uiConfig)");
}

std::u16string freshGuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower().toStdU16String();
}

// Every bar has an identity, so that it can be replaced, shown or deleted.
void giveBarsIdentities(xmlDoc* doc) {
    xmlNode* bars = firstElement(xmlDocGetRootElement(doc), "commandBars");
    for (xmlNode* bar : elements(bars, "commandBar"))
        if (attr(bar, "guid").empty())
            setAttr(bar, "guid", freshGuid());
}

xmlNode* childOrNew(xmlNode* parent, const char* name) {
    if (xmlNode* found = firstElement(parent, name))
        return found;
    return xmlNewChild(parent, nullptr, xml(name), nullptr);
}

// Puts a copy of `incoming` in place of `existing`, or at the end of `parent`.
void replaceOrAppend(xmlDoc* doc, xmlNode* parent, xmlNode* existing, xmlNode* incoming) {
    xmlNode* copy = xmlDocCopyNode(incoming, doc, 1);
    if (!copy)
        throw std::bad_alloc();
    if (existing) {
        xmlReplaceNode(existing, copy);
        xmlFreeNode(existing);
    } else {
        xmlAddChild(parent, copy);
    }
}

xmlNode* withGuid(xmlNode* parent, const char* element, const std::string& guid) {
    for (xmlNode* n : elements(parent, element))
        if (lower(attr(n, "guid")) == guid)
            return n;
    return nullptr;
}

// Same identity replaces at its place, a new one is appended; a reference to
// an item is added only where nothing of that identity is defined.
void merge(xmlDoc* doc, xmlNode* incoming) {
    xmlNode* root = xmlDocGetRootElement(doc);
    if (xmlNode* theirBars = firstElement(incoming, "commandBars")) {
        xmlNode* bars = childOrNew(root, "commandBars");
        for (xmlNode* bar : elements(theirBars, "commandBar")) {
            const std::string guid = lower(attr(bar, "guid"));
            replaceOrAppend(doc, bars, guid.empty() ? nullptr : withGuid(bars, "commandBar", guid),
                            bar);
        }
    }
    xmlNode* theirItems = firstElement(incoming, "items");
    if (!theirItems)
        return;
    xmlNode* items = firstElement(root, "items");
    if (!items) {
        replaceOrAppend(doc, root, nullptr, theirItems);
        return;
    }
    for (xmlNode* item : elements(theirItems, "itemData")) {
        const std::string guid = lower(attr(item, "guid"));
        if (!guid.empty()) {
            replaceOrAppend(doc, items, withGuid(items, "itemData", guid), item);
            continue;
        }
        const std::string ref = lower(attr(item, "guidRef"));
        bool known = ref.empty();
        for (xmlNode* mine : elements(items, "itemData"))
            known =
                known || lower(attr(mine, "guid")) == ref || lower(attr(mine, "guidRef")) == ref;
        if (!known)
            replaceOrAppend(doc, items, nullptr, item);
    }
}

// Magenta marks the transparent pixels of item bitmaps.
QImage withTransparentMagenta(const QImage& image) {
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if ((row[x] & 0x00ffffffu) == 0x00ff00ffu)
                row[x] = qRgba(0, 0, 0, 0);
    }
    return argb;
}

QImage bitmapOf(xmlNode* element) {
    if (!element)
        return {};
    auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(textOf(element)),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return {};
    QImage image = QImage::fromData(*decoded, "BMP");
    return image.isNull() ? image : withTransparentMagenta(image);
}

// The 32-bit image of that size, else any of that size.
QImage iconImage(const QByteArray& bytes, int size) {
    QImage fallback;
    QByteArray data = bytes;
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "ico");
    for (int i = 0; i < reader.imageCount(); ++i) {
        if (!reader.jumpToImage(i))
            break;
        const bool deep = reader.imageFormat() == QImage::Format_ARGB32;
        QImage image = reader.read();
        if (image.width() != size || image.height() != size)
            continue;
        image = image.convertToFormat(QImage::Format_ARGB32);
        if (deep)
            return image;
        if (fallback.isNull())
            fallback = image;
    }
    return fallback;
}

// libxml2 and libxslt report stylesheet errors through process-wide hooks.
std::mutex hooksMutex;

void collectError(void* context, const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    static_cast<std::string*>(context)->append(text);
}

class ErrorHooks {
public:
    explicit ErrorHooks(std::string* sink)
        : lock_(hooksMutex), xsltContext_(xsltGenericErrorContext), xsltHandler_(xsltGenericError),
          xmlContext_(xmlGenericErrorContext), xmlHandler_(xmlGenericError) {
        xsltSetGenericErrorFunc(sink, collectError);
        xmlSetGenericErrorFunc(sink, collectError);
    }
    ~ErrorHooks() {
        xsltSetGenericErrorFunc(xsltContext_, xsltHandler_);
        xmlSetGenericErrorFunc(xmlContext_, xmlHandler_);
    }
    ErrorHooks(const ErrorHooks&) = delete;
    ErrorHooks& operator=(const ErrorHooks&) = delete;

private:
    std::lock_guard<std::mutex> lock_;
    void* xsltContext_;
    xmlGenericErrorFunc xsltHandler_;
    void* xmlContext_;
    xmlGenericErrorFunc xmlHandler_;
};

std::u16string reasonOf(const std::string& collected) {
    std::string first = collected.substr(0, collected.find('\n'));
    return first.empty() ? u"no reason given" : u16(first);
}

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};

// The entry's bytes, or nullopt when the archive has no such entry.
std::optional<std::string> readEntry(zip_t* archive, const std::string& name) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive, name.c_str(), ZIP_FL_NOCASE, &stat) != 0)
        return std::nullopt;
    zip_file_t* file = zip_fopen(archive, name.c_str(), ZIP_FL_NOCASE);
    if (!file)
        failWith(u"cannot read " + u16(name) + u" of the workspace archive (" +
                 u16(zip_strerror(archive)) + u")");
    std::string data;
    char chunk[8192];
    zip_int64_t n = 0;
    while ((n = zip_fread(file, chunk, sizeof chunk)) > 0)
        data.append(chunk, static_cast<size_t>(n));
    std::string reason = n < 0 ? std::string(zip_file_strerror(file)) : std::string();
    zip_fclose(file);
    if (n < 0)
        failWith(u"cannot read " + u16(name) + u" of the workspace archive (" + u16(reason) + u")");
    return data;
}

} // namespace

struct Workspace::Doc {
    DocPtr doc;
};

Workspace::Workspace() {
    static std::once_flag init;
    std::call_once(init, [] { xmlInitParser(); });
    const std::string text(kDefaultConfiguration);
    doc_ = std::make_unique<Doc>(
        Doc{parseXml(text, "default.xml", XML_PARSE_NOBLANKS, u"the default configuration")});
}

Workspace::~Workspace() = default;

Workspace::Workspace(const Workspace& other)
    : doc_(std::make_unique<Doc>(Doc{DocPtr(xmlCopyDoc(other.doc_->doc.get(), 1))})),
      icons_(other.icons_) {
    if (!doc_->doc)
        throw std::bad_alloc();
}

Workspace& Workspace::operator=(const Workspace& other) {
    if (this != &other) {
        Workspace copy(other);
        std::swap(doc_, copy.doc_);
        std::swap(icons_, copy.icons_);
    }
    return *this;
}

Workspace::Workspace(Workspace&& other) noexcept = default;
Workspace& Workspace::operator=(Workspace&& other) noexcept = default;

void Workspace::adopt(std::unique_ptr<Doc> doc) {
    giveBarsIdentities(doc->doc.get());
    doc_ = std::move(doc);
}

void Workspace::load(const std::string& text) {
    DocPtr doc = parseXml(text, "workspace.xml", XML_PARSE_NOBLANKS, u"the configuration");
    checkConfiguration(doc.get(), u"the configuration");
    adopt(std::make_unique<Doc>(Doc{std::move(doc)}));
}

std::string Workspace::save() const {
    xmlChar* text = nullptr;
    int length = 0;
    xmlDocDumpFormatMemoryEnc(doc_->doc.get(), &text, &length, "UTF-8", 1);
    if (!text)
        throw std::bad_alloc();
    std::string result(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
    xmlFree(text);
    return result;
}

std::vector<CommandBarEntry> Workspace::bars() const {
    xmlNode* root = xmlDocGetRootElement(doc_->doc.get());
    std::map<std::string, xmlNode*> definitions;
    for (xmlNode* item : elements(firstElement(root, "items"), "itemData"))
        if (std::string guid = lower(attr(item, "guid")); !guid.empty())
            definitions.emplace(guid, item);

    std::vector<CommandBarEntry> bars;
    for (xmlNode* node : elements(firstElement(root, "commandBars"), "commandBar")) {
        CommandBarEntry bar;
        bar.guid = u16(lower(attr(node, "guid")));
        bar.name = u16(attr(node, "nonLocalizableName"));
        bar.caption = u16(attr(node, "userCaption"));
        bar.visible = attr(node, "visible") == "true";
        for (xmlNode* holder : elements(node))
            for (xmlNode* place : elements(holder, "item")) {
                if (attr(place, "excluded") == "true")
                    continue;
                CommandBarItem item;
                const std::string ref = lower(attr(place, "guidRef"));
                item.guid = u16(ref);
                auto it = definitions.find(ref);
                if (it != definitions.end()) {
                    xmlNode* data = it->second;
                    item.commandId = u16(attr(data, "dynamicCommand"));
                    item.hostCommand = u16(attr(data, "hostCommand"));
                    item.caption = u16(attr(data, "userCaption"));
                    item.tooltip = u16(attr(data, "userToopTip"));
                    item.smallIcon = bitmapOf(firstElement(data, "userSmallBitmap"));
                    item.largeIcon = bitmapOf(firstElement(data, "userLargeBitmap"));
                    const std::string icon = attr(data, "icon");
                    const std::string scheme = "guid://";
                    if (icon.compare(0, scheme.size(), scheme) == 0) {
                        auto found = icons_.find(u16(lower(icon.substr(scheme.size()))));
                        if (found != icons_.end()) {
                            if (item.smallIcon.isNull())
                                item.smallIcon = found->second.small;
                            if (item.largeIcon.isNull())
                                item.largeIcon = found->second.large;
                        }
                    }
                }
                bar.items.push_back(std::move(item));
            }
        bars.push_back(std::move(bar));
    }
    return bars;
}

std::u16string Workspace::addBar(const std::u16string& name, const std::u16string& caption,
                                 bool visible) {
    xmlNode* bars = childOrNew(xmlDocGetRootElement(doc_->doc.get()), "commandBars");
    xmlNode* bar = xmlNewChild(bars, nullptr, xml("commandBar"), nullptr);
    const std::u16string guid = freshGuid();
    setAttr(bar, "guid", guid);
    setAttr(bar, "type", u"toolbar");
    setAttr(bar, "nonLocalizableName", name);
    setAttr(bar, "userCaption", caption);
    setAttr(bar, "userCreated", u"true");
    setAttr(bar, "visible", visible ? u"true" : u"false");
    xmlNewChild(bar, nullptr, xml("toolbar"), nullptr);
    return guid;
}

void Workspace::setVisible(const std::u16string& guid, bool visible) {
    xmlNode* bars = firstElement(xmlDocGetRootElement(doc_->doc.get()), "commandBars");
    const std::string wanted = lower(QString::fromStdU16String(guid).toStdString());
    for (xmlNode* bar : elements(bars, "commandBar"))
        if (lower(attr(bar, "guid")) == wanted)
            setAttr(bar, "visible", visible ? u"true" : u"false");
}

void Workspace::removeBar(const std::u16string& guid) {
    xmlNode* bars = firstElement(xmlDocGetRootElement(doc_->doc.get()), "commandBars");
    const std::string wanted = lower(QString::fromStdU16String(guid).toStdString());
    for (xmlNode* bar : elements(bars, "commandBar"))
        if (lower(attr(bar, "guid")) == wanted) {
            xmlUnlinkNode(bar);
            xmlFreeNode(bar);
        }
}

void Workspace::applyStylesheet(const std::string& bytes, const std::string& fileName) {
    DocPtr sheet = parseXml(bytes, fileName.c_str(), XML_PARSE_NOCDATA, u"the workspace file");
    DocPtr input(xmlCopyDoc(doc_->doc.get(), 1));
    if (!input)
        throw std::bad_alloc();

    std::string errors;
    DocPtr output;
    {
        ErrorHooks hooks(&errors);
        xsltStylesheetPtr style = xsltParseStylesheetDoc(sheet.get());
        if (!style)
            failWith(u"the workspace file is not an XSLT stylesheet (" + reasonOf(errors) + u")");
        sheet.release(); // the stylesheet owns it now
        std::unique_ptr<xsltStylesheet, void (*)(xsltStylesheetPtr)> owned(style,
                                                                           xsltFreeStylesheet);
        if (style->errors > 0)
            failWith(u"the workspace file is not an XSLT stylesheet (" + reasonOf(errors) + u")");
        xsltTransformContextPtr ctxt = xsltNewTransformContext(style, input.get());
        xsltSecurityPrefsPtr prefs = xsltNewSecurityPrefs();
        if (!ctxt || !prefs) {
            xsltFreeTransformContext(ctxt);
            xsltFreeSecurityPrefs(prefs);
            throw std::bad_alloc();
        }
        // A workspace file may read what it refers to but write nothing.
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_FILE, xsltSecurityForbid);
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_CREATE_DIRECTORY, xsltSecurityForbid);
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_NETWORK, xsltSecurityForbid);
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_READ_NETWORK, xsltSecurityForbid);
        xsltSetCtxtSecurityPrefs(prefs, ctxt);
        xsltSetTransformErrorFunc(ctxt, &errors, collectError);
        output.reset(xsltApplyStylesheetUser(style, input.get(), nullptr, nullptr, nullptr, ctxt));
        const bool ok = output && ctxt->state == XSLT_STATE_OK;
        xsltFreeTransformContext(ctxt);
        xsltFreeSecurityPrefs(prefs);
        if (!ok)
            failWith(u"the workspace stylesheet failed (" + reasonOf(errors) + u")");
    }
    checkConfiguration(output.get(), u"the result of the workspace stylesheet");
    adopt(std::make_unique<Doc>(Doc{std::move(output)}));
}

void Workspace::mergeArchive(const std::string& bytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!source)
        throw std::bad_alloc();
    std::unique_ptr<zip_t, ZipCloser> archive(
        zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!archive) {
        zip_source_free(source);
        const std::u16string reason = u16(zip_error_strerror(&error));
        zip_error_fini(&error);
        failWith(u"the workspace file is not a workspace archive (" + reason + u")");
    }
    zip_error_fini(&error);

    const auto content = readEntry(archive.get(), "content/workspace.xml");
    if (!content)
        failWith(u"the workspace archive holds no content/workspace.xml");
    DocPtr incoming =
        parseXml(*content, "content/workspace.xml", XML_PARSE_NOBLANKS, u"content/workspace.xml");
    checkConfiguration(incoming.get(), u"content/workspace.xml");
    xmlNode* theirs = xmlDocGetRootElement(incoming.get());

    // An icon the archive lacks or cannot be read leaves its item without one.
    auto icons = icons_;
    for (xmlNode* item : elements(firstElement(theirs, "items"), "itemData")) {
        const std::string icon = attr(item, "icon");
        const std::string scheme = "guid://";
        if (icon.compare(0, scheme.size(), scheme) != 0)
            continue;
        const std::string id = lower(icon.substr(scheme.size()));
        const auto data = readEntry(archive.get(), "content/icons/" + id + ".ico");
        if (!data)
            continue;
        const QByteArray bytesOfIcon = QByteArray::fromStdString(*data);
        icons[u16(id)] = Icon{iconImage(bytesOfIcon, 16), iconImage(bytesOfIcon, 32)};
    }

    DocPtr merged(xmlCopyDoc(doc_->doc.get(), 1));
    if (!merged)
        throw std::bad_alloc();
    merge(merged.get(), theirs);
    adopt(std::make_unique<Doc>(Doc{std::move(merged)}));
    icons_ = std::move(icons);
}

} // namespace mosvik::host
