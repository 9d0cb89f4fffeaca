// Builds the three toolbar workspace files from their sources:
//   mosvik1_wsgen <source folder> <output folder>
// The source folder holds TTx4.xslt and archive/; the glyphs are drawn here.
#include "Glyphs.h"
#include "ImageFormats.h"
#include "ZipWriter.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>
#include <stdexcept>

namespace {

using mosvik::ZipWriter;

// 2016-06-04 02:00:00 UTC, the toolbar's release, stands as every entry's
// time so that the archives do not change from build to build.
constexpr std::time_t kReleaseTime = 1465005600;

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray itemBitmap(const QString& key, int size) {
    return mosvik::images::paletteBitmap(mosvik::glyphs::render(key, size, true)).toBase64();
}

// Fills in @SMALL:NN@ and @LARGE:NN@ (item bitmaps) and @VERSION@; any other
// placeholder left over is a mistake in the source.
QByteArray fillIn(QByteArray text, const QString& version, const QString& what) {
    text.replace("@VERSION@", version.toUtf8());
    for (const QString& key : mosvik::glyphs::itemKeys()) {
        text.replace(("@SMALL:" + key + "@").toUtf8(), itemBitmap(key, 16));
        text.replace(("@LARGE:" + key + "@").toUtf8(), itemBitmap(key, 24));
    }
    static const QRegularExpression leftover("@(SMALL|LARGE):\\d\\d@|@VERSION@");
    const auto match = leftover.match(QString::fromUtf8(text));
    if (match.hasMatch())
        throw std::runtime_error(what.toStdString() + ": no value for " +
                                 match.captured().toStdString());
    return text;
}

// Windows expects this file in UTF-16LE with a byte order mark and CRLF
// line ends; the source is kept in UTF-8 to stay editable.
QByteArray windowsIni(const QByteArray& utf8) {
    QString text = QString::fromUtf8(utf8);
    text.replace("\r\n", "\n").replace("\n", "\r\n");
    QByteArray out("\xff\xfe", 2);
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xff));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

QByteArray icon(const QString& key) {
    QList<mosvik::images::IconImage> images;
    for (int size : {48, 32, 16})
        for (int bpp : {4, 8, 32})
            images.append({mosvik::glyphs::render(key, size, bpp != 4), bpp});
    return mosvik::images::iconFile(images);
}

void writeArchive(const QDir& source, const QString& path, int version) {
    const QString v = QString::number(version);
    const QDir archive(source.filePath("archive"));
    auto part = [&](const QString& name) {
        return readFile(archive.filePath(name));
    };
    const bool icons = version >= 18;

    ZipWriter zip(path, kReleaseTime);
    const auto deflated = ZipWriter::Method::Deflated;
    zip.addDirectory("META-INF/");
    zip.addFile("META-INF/container.xml", part("META-INF/container.xml"), deflated);
    zip.addFile("META-INF/links.xml", part("META-INF/links.xml"), ZipWriter::Method::Stored);
    zip.addFile("META-INF/metadata.xml", fillIn(part("META-INF/metadata.xml"), v, "metadata.xml"),
                deflated);
    zip.addDirectory("content/");
    if (icons)
        zip.addDirectory("content/icons/");
    zip.addFile("content/settings.ini", windowsIni(part("content/settings.ini")), deflated);
    zip.addFile("mimetype", part("mimetype"), ZipWriter::Method::Stored);
    if (icons)
        for (const QString& key : mosvik::glyphs::itemKeys())
            zip.addFile("content/icons/53175317-5317-5317-5317-1100000000" + key + ".ico",
                        icon(key), deflated);
    const QString workspace = "content/workspace-" + v + ".xml";
    zip.addFile("content/workspace.xml", fillIn(part(workspace), v, workspace), deflated);
    zip.addFile("content/exportsettings.xml",
                fillIn(part("content/exportsettings.xml"), v, "exportsettings.xml"), deflated);
    zip.close();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <source folder> <output folder>\n", argv[0]);
        return 2;
    }
    try {
        const QDir source(QString::fromLocal8Bit(argv[1]));
        const QDir output(QString::fromLocal8Bit(argv[2]));
        writeFile(output.filePath("TTx4.xslt"),
                  fillIn(readFile(source.filePath("TTx4.xslt")), "14", "TTx4.xslt"));
        writeArchive(source, output.filePath("TTx7.cdws"), 17);
        writeArchive(source, output.filePath("TTx8.cdws"), 18);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mosvik1_wsgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
