// The host's automation object model, as far as the plug-in uses it: one
// interface per kind of host object, methods named after their roles.
//
// Conventions (every interface below):
// - Each method returns a status; a failure leaves out parameters untouched
//   and the host's IHostErrorInfo describes it. Call sites turn failures into
//   HostError with check() (HostError.h) or use the helpers of HostOps.h.
// - Property reads deliver the value through an out parameter. An interface
//   pointer delivered that way carries one reference for the caller; a null
//   pointer with S_OK means "none" (no active document, say).
// - Booleans are 16-bit (true = -1). Texts are UTF-16 (HostText.h).
// - Collections number their items from 1.
// - Lengths and positions are in the document's current unit (SetUnit).
//   Page coordinates have y growing upwards.
// - Threads: the host serialises every call with one lock, so any thread may
//   call any method; event sinks are called on the host's user-interface
//   thread.
#pragma once

#include "ComTypes.h"

namespace mosvik::com {

struct IVGApplication;
struct IVGDocuments;
struct IVGDocument;
struct IVGPages;
struct IVGPage;
struct IVGLayer;
struct IVGShapes;
struct IVGShape;
struct IVGShapeRange;
struct IVGColor;
struct IVGFill;
struct IVGOutline;
struct IVGWindow;
struct IVGAppWindow;
struct IVGRect;
struct ICUICommandBars;
struct ICUICommandBar;
struct IVGStructExportOptions;
struct IVGExportFilter;

// Shape type codes. 3, 5 and 6 are the host's; the rest are this host's own.
enum ShapeType : int32_t {
    ShapeNone = 0,
    ShapeRectangle = 1,
    ShapeEllipse = 2,
    ShapeCurve = 3,
    ShapeGroup = 4,
    ShapeBitmap = 5,
    ShapeText = 6,
    ShapePowerClip = 7,
};

// Measuring units.
enum Unit : int32_t {
    UnitInches = 1,
    UnitMillimetres = 3,
    UnitPixels = 5, // 1/300 inch: the document resolution is 300 dpi
    UnitPoints = 8,
};

// Colour models. RGB is the host's code 5.
enum ColorModel : int32_t {
    ColorModelNone = 0,
    ColorModelCMYK = 2,
    ColorModelGray = 4,
    ColorModelRGB = 5,
    ColorModelRegistration = 20,
};

enum FillType : int32_t {
    FillNone = 0,
    FillUniform = 1,
    FillFountain = 2,
};

// Codes of AlignAndDistribute. AlignHCenter, AlignVCenter and AlignToPage
// centre shapes on their page.
enum AlignHorizontal : int32_t {
    AlignHNone = 0,
    AlignLeft = 1,
    AlignRight = 2,
    AlignHCenter = 3,
};
enum AlignVertical : int32_t {
    AlignVNone = 0,
    AlignTop = 1,
    AlignBottom = 2,
    AlignVCenter = 3,
};
enum AlignTo : int32_t {
    AlignToLastSelected = 0,  // the shape selected last stays; the others align to it
    AlignToFirstSelected = 1, // the same with the shape selected first
    AlignToPage = 2,          // the page's edges, or its centre
    AlignToPoint = 3,         // (pointX, pointY) in the document's unit
};

struct IVGApplication : IDispatch {
    virtual HRESULT get_Documents(IVGDocuments** out) = 0;
    virtual HRESULT get_ActiveDocument(IVGDocument** out) = 0;
    virtual HRESULT get_ActivePage(IVGPage** out) = 0;
    virtual HRESULT get_ActiveLayer(IVGLayer** out) = 0;
    virtual HRESULT get_ActiveSelection(IVGShape** out) = 0;
    virtual HRESULT get_VersionMajor(int32_t* out) = 0;
    virtual HRESULT get_AppWindow(IVGAppWindow** out) = 0;
    virtual HRESULT get_Optimization(VARIANT_BOOL* out) = 0;
    virtual HRESULT put_Optimization(VARIANT_BOOL value) = 0;
    virtual HRESULT Refresh() = 0;
    // Registers `sink` for the numbered application events; the host holds a
    // reference on it until UnadviseEvents.
    virtual HRESULT AdviseEvents(IDispatch* sink, int32_t* cookie) = 0;
    virtual HRESULT UnadviseEvents(int32_t cookie) = 0;
    // A rectangle value (not a shape).
    virtual HRESULT CreateRect(double x, double y, double width, double height, IVGRect** out) = 0;
    virtual HRESULT AddPluginCommand(const char16_t* commandId, const char16_t* caption,
                                     const char16_t* tooltip, VARIANT_BOOL* out) = 0;
    virtual HRESULT RemovePluginCommand(const char16_t* commandId, VARIANT_BOOL* out) = 0;
    virtual HRESULT get_CommandBars(ICUICommandBars** out) = 0;
    virtual HRESULT ImportWorkspace(const char16_t* fileName) = 0;
    // Bitmap export (docs/export.md). The bodies below answer E_NOTIMPL for a
    // host that does not export bitmaps; an exporting host overrides them.
    //
    // A new, independent set of bitmap export options at their defaults.
    virtual HRESULT CreateStructExportOptions(IVGStructExportOptions** /*out*/) {
        return E_NOTIMPL;
    }
    // The active document's selected shapes as one range (empty when none
    // is selected); its box gives the selection's position and size.
    virtual HRESULT get_ActiveSelectionRange(IVGShapeRange** /*out*/) { return E_NOTIMPL; }
};

struct IVGDocuments : IDispatch {
    virtual HRESULT get_Count(int32_t* out) = 0;
    virtual HRESULT get_Item(int32_t index, IVGDocument** out) = 0;
};

struct IVGDocument : IDispatch {
    virtual HRESULT get_Name(BSTR* out) = 0;
    virtual HRESULT get_Pages(IVGPages** out) = 0;
    virtual HRESULT get_ActivePage(IVGPage** out) = 0;
    virtual HRESULT get_ActiveLayer(IVGLayer** out) = 0;
    virtual HRESULT get_Selection(IVGShape** out) = 0;
    virtual HRESULT get_Unit(int32_t* out) = 0;
    virtual HRESULT put_Unit(int32_t unit) = 0;
    // Opens one undo step named `name`; changes until EndCommandGroup undo
    // together. Groups nest; the outermost one makes the step.
    virtual HRESULT BeginCommandGroup(const char16_t* name) = 0;
    virtual HRESULT EndCommandGroup() = 0;
    virtual HRESULT Undo(int32_t levels) = 0;
    virtual HRESULT Redo(int32_t levels) = 0;
    virtual HRESULT Activate() = 0;
    // Exports to the bitmap file `fileName` (an existing file is replaced):
    // `filter` 774 JPG, 773 GIF, 802 PNG, 769 BMP, 788 PSD; `range` 1 = the
    // content of the document's current page (clipped to the options' export
    // area when one is set), 2 = the selected shapes alone. `options` is
    // required; `paletteOptions` must be null. Checks its arguments and keeps
    // them in the returned handle; the file is written by its Finish().
    virtual HRESULT ExportEx(const char16_t* /*fileName*/, int32_t /*filter*/, int32_t /*range*/,
                             IVGStructExportOptions* /*options*/, IDispatch* /*paletteOptions*/,
                             IVGExportFilter** /*out*/) {
        return E_NOTIMPL;
    }
};

struct IVGPages : IDispatch {
    virtual HRESULT get_Count(int32_t* out) = 0;
    virtual HRESULT get_Item(int32_t index, IVGPage** out) = 0;
};

struct IVGPage : IDispatch {
    virtual HRESULT get_Index(int32_t* out) = 0;
    virtual HRESULT get_Name(BSTR* out) = 0;
    virtual HRESULT get_Shapes(IVGShapes** out) = 0;
    virtual HRESULT get_SizeWidth(double* out) = 0;
    virtual HRESULT put_SizeWidth(double value) = 0;
    virtual HRESULT get_SizeHeight(double* out) = 0;
    virtual HRESULT put_SizeHeight(double value) = 0;
    virtual HRESULT Activate() = 0;
    // Bottom-left corner of the page in the document's coordinates and unit.
    virtual HRESULT get_PositionX(double* /*out*/) { return E_NOTIMPL; }
    virtual HRESULT get_PositionY(double* /*out*/) { return E_NOTIMPL; }
};

struct IVGLayer : IDispatch {
    virtual HRESULT get_Name(BSTR* out) = 0;
    virtual HRESULT get_Shapes(IVGShapes** out) = 0;
};

struct IVGShapes : IDispatch {
    virtual HRESULT get_Count(int32_t* out) = 0;
    virtual HRESULT get_Item(int32_t index, IVGShape** out) = 0;
    virtual HRESULT All(IVGShapeRange** out) = 0;
};

struct IVGShapeRange : IDispatch {
    virtual HRESULT get_Count(int32_t* out) = 0;
    virtual HRESULT get_Item(int32_t index, IVGShape** out) = 0;
    virtual HRESULT get_SizeWidth(double* out) = 0;
    virtual HRESULT get_SizeHeight(double* out) = 0;
    virtual HRESULT Group(IVGShape** out) = 0;
    // Aligns the shapes as the codes above say. To the page or a point they
    // move as one block (their common box is aligned); to a selected shape
    // each of them aligns to it. distributeArea (0..2), useOutline,
    // textAlignOrigin (0..2) and distributeRect are checked, not used.
    virtual HRESULT AlignAndDistribute(int32_t horizontalMode, int32_t verticalMode,
                                       int32_t alignTo, int32_t distributeArea,
                                       VARIANT_BOOL useOutline, int32_t textAlignOrigin,
                                       double pointX, double pointY, IVGRect* distributeRect) = 0;
    // Makes the range's shapes the document's selection, in range order.
    virtual HRESULT CreateSelection() = 0;
    // Bottom-left corner of the range's common box (document unit); 0 for
    // an empty range.
    virtual HRESULT get_PositionX(double* /*out*/) { return E_NOTIMPL; }
    virtual HRESULT get_PositionY(double* /*out*/) { return E_NOTIMPL; }
};

struct IVGShape : IDispatch {
    virtual HRESULT get_Type(int32_t* out) = 0;
    virtual HRESULT get_Name(BSTR* out) = 0;
    virtual HRESULT get_PositionX(double* out) = 0;
    virtual HRESULT get_PositionY(double* out) = 0;
    virtual HRESULT get_SizeWidth(double* out) = 0;
    virtual HRESULT get_SizeHeight(double* out) = 0;
    virtual HRESULT get_Selected(VARIANT_BOOL* out) = 0;
    virtual HRESULT get_Fill(IVGFill** out) = 0;
    virtual HRESULT get_Outline(IVGOutline** out) = 0;
    // The shapes inside a group, or the selected shapes of a selection shape.
    virtual HRESULT get_Shapes(IVGShapes** out) = 0;
    virtual HRESULT AddToSelection() = 0;
    // Puts a group's members back in its place; `out` gets them, front first.
    virtual HRESULT Ungroup(IVGShapeRange** out) = 0;
    // As IVGShapeRange::AlignAndDistribute, for this shape (or the selection).
    virtual HRESULT AlignAndDistribute(int32_t horizontalMode, int32_t verticalMode,
                                       int32_t alignTo, int32_t distributeArea,
                                       VARIANT_BOOL useOutline, int32_t textAlignOrigin,
                                       double pointX, double pointY, IVGRect* distributeRect) = 0;
};

struct IVGColor : IDispatch {
    virtual HRESULT get_Type(int32_t* out) = 0;
    virtual HRESULT get_Name(BSTR* out) = 0;
};

struct IVGFill : IDispatch {
    virtual HRESULT get_Type(int32_t* out) = 0;
    virtual HRESULT get_UniformColor(IVGColor** out) = 0;
};

struct IVGOutline : IDispatch {
    virtual HRESULT get_Width(double* out) = 0;
    virtual HRESULT get_Color(IVGColor** out) = 0;
};

// A document's window, as application events pass it.
struct IVGWindow : IDispatch {
    virtual HRESULT get_Caption(BSTR* out) = 0;
};

// The host's main window.
struct IVGAppWindow : IDispatch {
    // Native handle, a 32-bit integer; 0 when the host has no window.
    virtual HRESULT get_Handle(int32_t* out) = 0;
};

struct IVGRect : IDispatch {
    virtual HRESULT get_x(double* out) = 0;
    virtual HRESULT put_x(double value) = 0;
    virtual HRESULT get_y(double* out) = 0;
    virtual HRESULT put_y(double value) = 0;
    virtual HRESULT get_Width(double* out) = 0;
    virtual HRESULT put_Width(double value) = 0;
    virtual HRESULT get_Height(double* out) = 0;
    virtual HRESULT put_Height(double value) = 0;
};

struct ICUICommandBars : IDispatch {
    virtual HRESULT get_Count(int32_t* out) = 0;
    // By 1-based index or, when `name` is not null, by the bar's name; fails
    // when there is no such bar.
    virtual HRESULT get_Item(int32_t index, ICUICommandBar** out) = 0;
    virtual HRESULT get_ItemByName(const char16_t* name, ICUICommandBar** out) = 0;
};

struct ICUICommandBar : IDispatch {
    virtual HRESULT get_Name(BSTR* out) = 0;
    virtual HRESULT get_Caption(BSTR* out) = 0;
    virtual HRESULT get_Visible(VARIANT_BOOL* out) = 0;
    virtual HRESULT put_Visible(VARIANT_BOOL value) = 0;
    virtual HRESULT Delete() = 0;
};

// The options of one bitmap export; a value object owned by whoever created
// it. Defaults: anti-aliasing 0, image type 4 (RGB), compression 0, every
// switch false, resolution 72 × 72 dpi, size 0 × 0, no export area.
struct IVGStructExportOptions : IDispatch {
    // 0 none, 1 smooth edges.
    virtual HRESULT get_AntiAliasingType(int32_t* out) = 0;
    virtual HRESULT put_AntiAliasingType(int32_t value) = 0;
    // Colour mode: 0 black and white, 1 grayscale, 2 paletted, 3 16-bit,
    // 4 RGB, 5 CMYK, 6 duotone, 7 colour model, 8 CMYK multichannel, 9 RGB
    // multichannel, 10 spot multichannel. A file type that cannot hold the
    // mode gets the nearest one it can.
    virtual HRESULT get_ImageType(int32_t* out) = 0;
    virtual HRESULT put_ImageType(int32_t value) = 0;
    // 0 none, 1 LZW, 2 PackBits, 3 Huffman, 4 CCITT3 1d, 5 CCITT3 2d,
    // 6 CCITT4, 7 RLE LW, 8 ZIP, 9 JPEG; a file type ignores codes it lacks.
    virtual HRESULT get_Compression(int32_t* out) = 0;
    virtual HRESULT put_Compression(int32_t value) = 0;
    // Convert colours through the user's colour profile.
    virtual HRESULT get_UseColorProfile(VARIANT_BOOL* out) = 0;
    virtual HRESULT put_UseColorProfile(VARIANT_BOOL value) = 0;
    // Transparent instead of white background (GIF, PNG, PSD).
    virtual HRESULT get_TransparentBG(VARIANT_BOOL* out) = 0;
    virtual HRESULT put_TransparentBG(VARIANT_BOOL value) = 0;
    // Black objects overprint what lies under them.
    virtual HRESULT get_AlwaysOverprintBlack(VARIANT_BOOL* out) = 0;
    virtual HRESULT put_AlwaysOverprintBlack(VARIANT_BOOL value) = 0;
    // One image layer per drawing layer (PSD).
    virtual HRESULT get_MaintainLayers(VARIANT_BOOL* out) = 0;
    virtual HRESULT put_MaintainLayers(VARIANT_BOOL value) = 0;
    // Dots per inch, 1 or more; written into the file.
    virtual HRESULT get_ResolutionX(int32_t* out) = 0;
    virtual HRESULT put_ResolutionX(int32_t value) = 0;
    virtual HRESULT get_ResolutionY(int32_t* out) = 0;
    virtual HRESULT put_ResolutionY(int32_t value) = 0;
    // Image size in pixels; 0 = from the exported extent and the resolution
    // (extent in inches × dpi). Negative values are refused.
    virtual HRESULT get_SizeX(int32_t* out) = 0;
    virtual HRESULT put_SizeX(int32_t value) = 0;
    virtual HRESULT get_SizeY(int32_t* out) = 0;
    virtual HRESULT put_SizeY(int32_t value) = 0;
    // The region exported, in the document's unit and coordinates (x, y the
    // bottom-left corner). put copies the rectangle's values, null clears
    // it; get delivers a new rectangle, or null when none is set.
    virtual HRESULT get_ExportArea(IVGRect** out) = 0;
    virtual HRESULT put_ExportArea(IVGRect* value) = 0;
};

// One prepared bitmap export (IVGDocument::ExportEx).
struct IVGExportFilter : IDispatch {
    // Renders and writes the file, replacing an existing one. A failure
    // leaves no file of that name behind (nor a partial one). A second call
    // fails; a handle released unfinished writes nothing.
    virtual HRESULT Finish() = 0;
};

// Interface identities of the host objects (this host's own).
#define MOSVIK_HOST_IID(n)                                                                         \
    {                                                                                              \
        0x6d6f7376, 0x696b, 0x0002, {                                                              \
            0x80, 0, 0, 0, 0, 0, 0, n                                                              \
        }                                                                                          \
    }
constexpr GUID IID_IVGApplication = MOSVIK_HOST_IID(0x01);
constexpr GUID IID_IVGDocuments = MOSVIK_HOST_IID(0x02);
constexpr GUID IID_IVGDocument = MOSVIK_HOST_IID(0x03);
constexpr GUID IID_IVGPages = MOSVIK_HOST_IID(0x04);
constexpr GUID IID_IVGPage = MOSVIK_HOST_IID(0x05);
constexpr GUID IID_IVGLayer = MOSVIK_HOST_IID(0x06);
constexpr GUID IID_IVGShapes = MOSVIK_HOST_IID(0x07);
constexpr GUID IID_IVGShape = MOSVIK_HOST_IID(0x08);
constexpr GUID IID_IVGShapeRange = MOSVIK_HOST_IID(0x09);
constexpr GUID IID_IVGColor = MOSVIK_HOST_IID(0x0a);
constexpr GUID IID_IVGFill = MOSVIK_HOST_IID(0x0b);
constexpr GUID IID_IVGOutline = MOSVIK_HOST_IID(0x0c);
constexpr GUID IID_IVGWindow = MOSVIK_HOST_IID(0x0d);
constexpr GUID IID_IVGAppWindow = MOSVIK_HOST_IID(0x0e);
constexpr GUID IID_IVGRect = MOSVIK_HOST_IID(0x0f);
constexpr GUID IID_ICUICommandBars = MOSVIK_HOST_IID(0x10);
constexpr GUID IID_ICUICommandBar = MOSVIK_HOST_IID(0x11);
// Bitmap export, kept apart from the identities above.
constexpr GUID IID_IVGStructExportOptions = MOSVIK_HOST_IID(0x20);
constexpr GUID IID_IVGExportFilter = MOSVIK_HOST_IID(0x21);
#undef MOSVIK_HOST_IID

} // namespace mosvik::com
