#include "ExportRules.h"

#include <QLocale>

#include <cmath>
#include <limits>
#include <unistd.h>

namespace mosvik::exporting {

namespace {
struct TFileType {
    int32_t filter;
    const char* extension;
};
constexpr TFileType FileTypes[] = {
    {774, ".jpg"}, {773, ".gif"}, {802, ".png"}, {769, ".bmp"}, {788, ".psd"},
};
constexpr int FileTypeCount = sizeof(FileTypes) / sizeof(FileTypes[0]);
} // namespace

int32_t FilterCode(int fileTypeIndex) {
    if (fileTypeIndex < 0 || fileTypeIndex >= FileTypeCount)
        return 774;
    return FileTypes[fileTypeIndex].filter;
}

QString FileExtension(int fileTypeIndex) {
    if (fileTypeIndex < 0 || fileTypeIndex >= FileTypeCount)
        return QString();
    return QString::fromLatin1(FileTypes[fileTypeIndex].extension);
}

int32_t ReadLeadingInt(const QString& text) {
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == ' ' || (text[i].unicode() >= 9 && text[i].unicode() <= 13)))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    constexpr int64_t limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        value = std::min(limit, value * 10 + (text[i].unicode() - '0'));
        ++i;
    }
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

namespace {
// Appends a..b; false when the list would grow past its limit.
bool appendRange(std::vector<int32_t>& pages, const QString& piece) {
    const QStringList parts = piece.split('-');
    const int64_t a = ReadLeadingInt(parts.value(0));
    const int64_t b = ReadLeadingInt(parts.value(1));
    if (a > b)
        return true;
    if (b - a + 1 > int64_t(MaxPageListLength) - int64_t(pages.size()))
        return false;
    for (int64_t n = a; n <= b; ++n)
        pages.push_back(static_cast<int32_t>(n));
    return true;
}
bool appendPiece(std::vector<int32_t>& pages, const QString& piece) {
    if (piece.contains('-'))
        return appendRange(pages, piece);
    if (pages.size() >= size_t(MaxPageListLength))
        return false;
    pages.push_back(ReadLeadingInt(piece));
    return true;
}
} // namespace

TPageList ParsePageList(const QString& text, int32_t pageCount) {
    TPageList result;
    if (text.isEmpty())
        return result;
    bool fits = true;
    if (text.contains(',')) {
        for (const QString& piece : text.split(',')) {
            fits = appendPiece(result.pages, piece);
            if (!fits)
                break;
        }
    } else if (text.contains('-')) {
        fits = appendRange(result.pages, text);
    } else {
        const int32_t n = ReadLeadingInt(text);
        if (n > pageCount)
            result.beyondLastPage = true;
        else
            result.pages.push_back(n);
    }
    if (!fits) {
        result.pages.clear();
        result.tooLong = true;
    }
    return result;
}

QString PageFieldForDocument(int32_t pageCount) {
    if (pageCount < 2)
        return QStringLiteral("1");
    return QStringLiteral("1-%1").arg(pageCount);
}

QString NameFromDocumentName(const QString& documentName) {
    QString name = documentName;
    if (QLocale::system().toLower(name).endsWith(QLatin1String(".cdr")))
        name.remove(QLatin1String(".cdr"), Qt::CaseSensitive);
    return name;
}

int32_t ParseResolution(const QString& text) {
    if (text.isEmpty())
        return 72;
    return ReadLeadingInt(text);
}

double ParseScale(const QString& text, const QLocale& locale) {
    if (text.isEmpty())
        return 1.0;
    QLocale reading = locale;
    reading.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = reading.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return 1.0;
    return value;
}

double ParseScale(const QString& text) {
    return ParseScale(text, QLocale::system());
}

double ImageSide(double extent, double scale, int32_t resolution) {
    return extent * scale * (double(resolution) / DocumentDpi);
}

std::optional<int32_t> TruncatedImageSide(double side) {
    if (!std::isfinite(side))
        return std::nullopt;
    const double t = std::trunc(side);
    if (t > double(std::numeric_limits<int32_t>::max()) ||
        t < double(std::numeric_limits<int32_t>::min()))
        return std::nullopt;
    return static_cast<int32_t>(t);
}

bool ImageFitsInMemory(double width, double height, double byteLimit) {
    if (!std::isfinite(width) || !std::isfinite(height))
        return false;
    if (width <= 0 || height <= 0)
        return true; // nothing to hold; the host judges such a size itself
    return width * height * 4.0 <= byteLimit;
}

double DefaultImageByteLimit() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return 1024.0 * 1024 * 1024; // a machine that does not say: 1 GiB
    return double(pages) * double(pageSize) / 2.0;
}

std::vector<TArea> HalfAreas(const TPageBox& page, bool horizontal) {
    TArea r{page.x, page.y, 0, 0};
    std::vector<TArea> halves;
    if (horizontal) {
        r.width = page.width;
        r.height = page.height / 2;
        r.y = page.height / 2;
        halves.push_back(r);
        r.y = page.y;
        halves.push_back(r);
    } else {
        r.width = page.width / 2;
        r.height = page.height;
        halves.push_back(r);
        r.x = page.width / 2;
        halves.push_back(r);
    }
    return halves;
}

TArea HalfExtent(const TPageBox& page, bool horizontal) {
    if (horizontal)
        return {0, 0, page.width, page.height / 2};
    return {0, 0, page.width / 2, page.height};
}

QString ComposeFileName(const QString& folder, const QString& base, const QString& pageNamePart,
                        const QString& halfSuffix, const QString& numberPart,
                        const QString& extension) {
    QString fileName = base + pageNamePart + halfSuffix + numberPart + extension;
    // A file named "." or ".." would be a folder, not a file inside it.
    if (!fileName.isEmpty() && fileName.count('.') == fileName.size())
        fileName.prepend('_');
    return folder + fileName;
}

QString SafeNamePart(const QString& name) {
    QString safe = name;
    for (QChar& c : safe) {
        if (c == '/' || c == '\\' || c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = '_';
    }
    return safe;
}

QString FolderWithSeparator(const QString& location) {
    if (location.endsWith('/'))
        return location;
    return location + '/';
}

} // namespace mosvik::exporting
