// The rules of the image export that need no host and no window: page lists,
// file names, export areas, scale and resolution arithmetic, file types.
// The engine (ExportEngine.h) and the window (ToJPG.h) are built on them, so
// every rule can be checked on its own.
//
// Threads: any thread; no state.
#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace mosvik::exporting {

// The range buttons, in the order the engine looks for the checked one.
enum class TExportRange { CurDocument, Document, CurPage, Page, Selection, SelectionArea };

// Host codes of the export call.
constexpr int32_t RangeCurrentPage = 1;
constexpr int32_t RangeSelection = 2;
constexpr int32_t UnitPixels = 5;
// The host's document resolution: its pixel unit is 1/300 inch.
constexpr double DocumentDpi = 300.0;

// File types by their index in the window's list; an index outside the
// list exports JPG data under a name without extension.
int32_t FilterCode(int fileTypeIndex);
QString FileExtension(int fileTypeIndex);

// Reads a number as the page field and the resolution field are read:
// leading white space, an optional sign, then the digits that follow;
// reading stops at the first other character and no digits give 0. Numbers
// beyond the 32-bit range saturate instead of wrapping, so a huge entry
// stays huge and is refused as too large.
int32_t ReadLeadingInt(const QString& text);

// Longest page list a run accepts. A range such as 1-99999999999 would
// otherwise expand into billions of entries and never finish.
constexpr int MaxPageListLength = 10000;

struct TPageList {
    std::vector<int32_t> pages;
    // The text was one number above the page count.
    bool beyondLastPage = false;
    // The expansion would pass MaxPageListLength; pages is empty.
    bool tooLong = false;
};

// The page field's text as a list of page numbers, in typed order,
// duplicates kept. `pageCount` is the active document's page count, which
// only a single number is checked against.
TPageList ParsePageList(const QString& text, int32_t pageCount);

// The page field for "当前文档": "1" for one page, else "1-<count>".
QString PageFieldForDocument(int32_t pageCount);

// The file-name field for a document name: when the name ends in ".cdr"
// (any letter case), every ".cdr" written in lower case is removed.
QString NameFromDocumentName(const QString& documentName);

// Resolution in dots per inch: 72 for an empty text, else ReadLeadingInt.
int32_t ParseResolution(const QString& text);

// The scale: 1.0 for an empty text or one that is not a decimal number in
// the user's number format (group separators refused, infinities too).
double ParseScale(const QString& text);
// The same, with an explicit locale (tests).
double ParseScale(const QString& text, const QLocale& locale);

// Image size in pixels for an extent in document pixels: extent × scale ×
// (resolution / 300), in that order, in double precision. Not truncated:
// see TruncatedImageSide.
double ImageSide(double extent, double scale, int32_t resolution);
// Truncated toward zero; nothing when the value does not fit a 32-bit int
// (or is not finite).
std::optional<int32_t> TruncatedImageSide(double side);

// Whether a width × height image of 4 bytes a pixel stays within
// `byteLimit`; a side that is not finite never does, an empty image always.
bool ImageFitsInMemory(double width, double height, double byteLimit);
// Half of the machine's physical memory, the default limit of a run.
double DefaultImageByteLimit();

// A rectangle in the document's unit, x and y its bottom-left corner.
struct TArea {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    bool operator==(const TArea& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

// Page geometry in the document's unit.
struct TPageBox {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

// The two halves of a page in export order. Horizontal ("横向分割"): first
// the rectangle at y = height / 2 (the upper half), then the one at the
// page's y. Vertical ("纵向分割"): first the left half at the page's x, then
// the one at x = width / 2. The second half takes its offset from the page's
// size alone, not its position: a page whose corner is not at the origin
// gets the same halves as one that is.
std::vector<TArea> HalfAreas(const TPageBox& page, bool horizontal);
// Width and height of one half.
TArea HalfExtent(const TPageBox& page, bool horizontal);

// The name of one output file: folder, base, page-name part, half suffix,
// number part and extension joined without separators. Parts that come
// from names (base, page name) must already be safe (SafeNamePart); a file
// name of dots only ("..") gets a leading "_", as it would name a folder.
QString ComposeFileName(const QString& folder, const QString& base, const QString& pageNamePart,
                        const QString& halfSuffix, const QString& numberPart,
                        const QString& extension);

// A name made fit to be part of one file name inside the save folder: path
// separators and control characters become "_", so no file lands outside
// the chosen folder.
QString SafeNamePart(const QString& name);

// The save location with a trailing separator.
QString FolderWithSeparator(const QString& location);

} // namespace mosvik::exporting
