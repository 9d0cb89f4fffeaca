#include "DocumentFiles.h"

#include "host/files/SvgExport.h"
#include "host/files/SvgImport.h"

#include <QFileInfo>

namespace mosvik::app {

bool isSvgPath(const QString& path) {
    return QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0;
}

host::DocumentId openDrawingFile(host::Application& host, const QString& path,
                                 QStringList* warnings) {
    if (!isSvgPath(path))
        return host.openFile(path.toStdU16String());
    auto drawing = host::files::loadSvg(path, warnings);
    return host.openDocument(QFileInfo(path).absoluteFilePath().toStdU16String(),
                             std::move(drawing));
}

void saveDrawingFile(host::Application& host, host::DocumentId doc, const QString& path) {
    if (!isSvgPath(path)) {
        host.saveDocument(doc, path.toStdU16String());
        return;
    }
    host::files::saveSvg(host.drawing(doc), path);
}

} // namespace mosvik::app
