#include "HostDump.h"

#include "core/host/HostError.h"
#include "core/host/HostText.h"

#include <QJsonArray>

namespace mosvik::app {

using namespace com;

namespace {

QString q(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

QJsonArray shapeNames(const host::model::Drawing& d, const std::vector<host::model::Id>& ids) {
    QJsonArray out;
    for (auto id : ids) {
        const auto* s = host::model::findShape(d, id);
        out.append(s && !s->name.empty() ? q(s->name) : QStringLiteral("#%1").arg(id));
    }
    return out;
}

QJsonObject dumpDocument(host::Application& host, host::DocumentId id) {
    QJsonObject o;
    auto doc = host.documentObject(id);
    Bstr name;
    check(doc, doc->get_Name(name.put()));
    int32_t unit = 0;
    check(doc, doc->get_Unit(&unit));
    o["name"] = q(name.text());
    o["active"] = host.activeDocument() == id;
    o["unit"] = unit;
    const auto drawing = host.drawing(id);
    QJsonArray pages;
    for (const auto& page : drawing.pages) {
        QJsonObject p;
        p["name"] = q(page.name);
        p["widthMm"] = page.width;
        p["heightMm"] = page.height;
        p["active"] = page.id == drawing.activePage;
        int shapes = 0;
        for (const auto& layer : page.layers)
            shapes += static_cast<int>(layer.shapes.size());
        p["shapes"] = shapes;
        pages.append(p);
    }
    o["pages"] = pages;
    o["selection"] = shapeNames(drawing, drawing.selection);
    QJsonArray undo, redo;
    for (const auto& s : host.undoSteps(id))
        undo.append(q(s));
    for (const auto& s : host.redoSteps(id))
        redo.append(q(s));
    o["undo"] = undo;
    o["redo"] = redo;
    return o;
}

} // namespace

QJsonObject dumpHost(host::Application& host) {
    QJsonObject o;
    o["version"] = host.version();
    o["optimization"] = host.optimization();
    QJsonArray commands;
    for (const auto& c : host.pluginCommands())
        commands.append(
            QJsonObject{{"id", q(c.id)}, {"caption", q(c.caption)}, {"tooltip", q(c.tooltip)}});
    o["commands"] = commands;
    QJsonArray bars;
    for (const auto& b : host.commandBars()) {
        QJsonObject bar{{"name", q(b.name)}, {"caption", q(b.caption)}, {"visible", b.visible}};
        QJsonArray items;
        for (const auto& item : b.items) {
            QJsonObject i{{"guid", q(item.guid)},
                          {"caption", q(item.caption)},
                          {"tooltip", q(item.tooltip)},
                          {"icon", !item.smallIcon.isNull()}};
            if (!item.commandId.empty())
                i["command"] = q(item.commandId);
            if (!item.hostCommand.empty())
                i["hostCommand"] = q(item.hostCommand);
            items.append(i);
        }
        bar["items"] = items;
        bars.append(bar);
    }
    o["commandBars"] = bars;
    QJsonArray documents;
    for (auto id : host.documents())
        documents.append(dumpDocument(host, id));
    o["documents"] = documents;
    return o;
}

} // namespace mosvik::app
