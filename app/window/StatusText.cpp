#include "StatusText.h"

#include "app/window/HitTest.h"
#include "host/Units.h"

namespace mosvik::app {

QString lengthText(double millimetres, int32_t unit) {
    if (!host::isKnownUnit(unit))
        unit = com::UnitMillimetres;
    const double value = host::toUnit(millimetres, unit);
    switch (unit) {
    case com::UnitPixels:
        return QStringLiteral("%1 px").arg(value, 0, 'f', 0);
    case com::UnitInches:
        return QStringLiteral("%1 in").arg(value, 0, 'f', 3);
    case com::UnitPoints:
        return QStringLiteral("%1 pt").arg(value, 0, 'f', 2);
    default:
        return QStringLiteral("%1 mm").arg(value, 0, 'f', 2);
    }
}

QString selectionStatus(const host::model::Drawing& drawing, int32_t unit) {
    if (drawing.selection.empty())
        return QStringLiteral("未选择对象");
    QString text = QStringLiteral("已选择 %1 个对象").arg(drawing.selection.size());
    if (const auto box = boundsOf(drawing, drawing.selection))
        text += QStringLiteral("  宽 %1  高 %2")
                    .arg(lengthText(box->width, unit), lengthText(box->height, unit));
    return text;
}

int32_t documentUnit(host::Application& host, host::DocumentId doc) {
    int32_t unit = com::UnitMillimetres;
    if (!doc)
        return unit;
    const auto object = host.documentObject(doc);
    if (!object || object->get_Unit(&unit) != com::S_OK)
        return com::UnitMillimetres;
    return unit;
}

} // namespace mosvik::app
