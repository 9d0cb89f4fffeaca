// The automation side of bitmap export: the options value object and the
// handle IVGDocument::ExportEx returns, whose Finish renders and writes.
#include "BitmapExport.h"

#include "host/ComObject.h"
#include "host/Objects.h"
#include "host/Units.h"

#include <cmath>
#include <string>

namespace mosvik::host {

using namespace com;

namespace {

std::u16string number(long long v) {
    return fromUtf8(std::to_string(v));
}

VARIANT_BOOL vb(bool b) {
    return b ? VARIANT_TRUE : VARIANT_FALSE;
}

class ExportOptionsObject final : public ComObject<IVGStructExportOptions> {
public:
    using ComObject::ComObject;

    // For ExportEx, under the host lock.
    const bitmap::Options& values() const { return values_; }
    const std::optional<model::Box>& area() const { return area_; }

    HRESULT get_AntiAliasingType(int32_t* out) override {
        return call("IVGStructExportOptions.get_AntiAliasingType",
                    [&] { *need(out) = values_.antiAliasing; });
    }
    HRESULT put_AntiAliasingType(int32_t value) override {
        return call("IVGStructExportOptions.put_AntiAliasingType", [&] {
            within(value, 0, 1, u"the anti-aliasing type is 0 (none) or 1 (smooth)");
            values_.antiAliasing = value;
        });
    }
    HRESULT get_ImageType(int32_t* out) override {
        return call("IVGStructExportOptions.get_ImageType",
                    [&] { *need(out) = values_.imageType; });
    }
    HRESULT put_ImageType(int32_t value) override {
        return call("IVGStructExportOptions.put_ImageType", [&] {
            within(value, 0, 10, u"the image type is 0 to 10 (the colour-mode list)");
            values_.imageType = value;
        });
    }
    HRESULT get_Compression(int32_t* out) override {
        return call("IVGStructExportOptions.get_Compression",
                    [&] { *need(out) = values_.compression; });
    }
    HRESULT put_Compression(int32_t value) override {
        return call("IVGStructExportOptions.put_Compression", [&] {
            within(value, 0, 9, u"the compression is 0 to 9 (the compression list)");
            values_.compression = value;
        });
    }
    HRESULT get_UseColorProfile(VARIANT_BOOL* out) override {
        return call("IVGStructExportOptions.get_UseColorProfile",
                    [&] { *need(out) = vb(values_.useColorProfile); });
    }
    HRESULT put_UseColorProfile(VARIANT_BOOL value) override {
        return call("IVGStructExportOptions.put_UseColorProfile",
                    [&] { values_.useColorProfile = value != VARIANT_FALSE; });
    }
    HRESULT get_TransparentBG(VARIANT_BOOL* out) override {
        return call("IVGStructExportOptions.get_TransparentBG",
                    [&] { *need(out) = vb(values_.transparentBackground); });
    }
    HRESULT put_TransparentBG(VARIANT_BOOL value) override {
        return call("IVGStructExportOptions.put_TransparentBG",
                    [&] { values_.transparentBackground = value != VARIANT_FALSE; });
    }
    HRESULT get_AlwaysOverprintBlack(VARIANT_BOOL* out) override {
        return call("IVGStructExportOptions.get_AlwaysOverprintBlack",
                    [&] { *need(out) = vb(values_.overprintBlack); });
    }
    HRESULT put_AlwaysOverprintBlack(VARIANT_BOOL value) override {
        return call("IVGStructExportOptions.put_AlwaysOverprintBlack",
                    [&] { values_.overprintBlack = value != VARIANT_FALSE; });
    }
    HRESULT get_MaintainLayers(VARIANT_BOOL* out) override {
        return call("IVGStructExportOptions.get_MaintainLayers",
                    [&] { *need(out) = vb(values_.maintainLayers); });
    }
    HRESULT put_MaintainLayers(VARIANT_BOOL value) override {
        return call("IVGStructExportOptions.put_MaintainLayers",
                    [&] { values_.maintainLayers = value != VARIANT_FALSE; });
    }
    HRESULT get_ResolutionX(int32_t* out) override {
        return call("IVGStructExportOptions.get_ResolutionX",
                    [&] { *need(out) = values_.resolutionX; });
    }
    HRESULT put_ResolutionX(int32_t value) override {
        return call("IVGStructExportOptions.put_ResolutionX", [&] {
            atLeast(value, 1, u"a resolution is at least 1 dpi");
            values_.resolutionX = value;
        });
    }
    HRESULT get_ResolutionY(int32_t* out) override {
        return call("IVGStructExportOptions.get_ResolutionY",
                    [&] { *need(out) = values_.resolutionY; });
    }
    HRESULT put_ResolutionY(int32_t value) override {
        return call("IVGStructExportOptions.put_ResolutionY", [&] {
            atLeast(value, 1, u"a resolution is at least 1 dpi");
            values_.resolutionY = value;
        });
    }
    HRESULT get_SizeX(int32_t* out) override {
        return call("IVGStructExportOptions.get_SizeX", [&] { *need(out) = values_.sizeX; });
    }
    HRESULT put_SizeX(int32_t value) override {
        return call("IVGStructExportOptions.put_SizeX", [&] {
            atLeast(value, 0, u"an image size is 0 (from the area) or more pixels");
            values_.sizeX = value;
        });
    }
    HRESULT get_SizeY(int32_t* out) override {
        return call("IVGStructExportOptions.get_SizeY", [&] { *need(out) = values_.sizeY; });
    }
    HRESULT put_SizeY(int32_t value) override {
        return call("IVGStructExportOptions.put_SizeY", [&] {
            atLeast(value, 0, u"an image size is 0 (from the area) or more pixels");
            values_.sizeY = value;
        });
    }
    HRESULT get_ExportArea(IVGRect** out) override {
        return call("IVGStructExportOptions.get_ExportArea", [&] {
            *need(out) =
                area_ ? newRectObject(state_, area_->x, area_->y, area_->width, area_->height)
                      : nullptr;
        });
    }
    HRESULT put_ExportArea(IVGRect* value) override {
        return call("IVGStructExportOptions.put_ExportArea", [&] {
            if (!value) {
                area_.reset();
                return;
            }
            model::Box box;
            read(value, value->get_x(&box.x));
            read(value, value->get_y(&box.y));
            read(value, value->get_Width(&box.width));
            read(value, value->get_Height(&box.height));
            if (!(std::isfinite(box.x) && std::isfinite(box.y) && std::isfinite(box.width) &&
                  std::isfinite(box.height)))
                fail(E_INVALIDARG, u"the export area is not a finite rectangle");
            if (!(box.width > 0 && box.height > 0))
                fail(E_INVALIDARG, u"an export area needs a positive width and height");
            area_ = box;
        });
    }

private:
    static void within(int32_t value, int32_t low, int32_t high, const std::u16string& rule) {
        if (value < low || value > high)
            fail(E_INVALIDARG, rule + u", not " + number(value));
    }
    static void atLeast(int32_t value, int32_t low, const std::u16string& rule) {
        if (value < low)
            fail(E_INVALIDARG, rule + u", not " + number(value));
    }
    // A failing getter of a foreign rectangle passes its status and text on.
    static void read(IVGRect*, HRESULT status) {
        if (status < 0)
            fail(status, u"the export area cannot be read (" + lastErrorText() + u")");
    }

    bitmap::Options values_;
    std::optional<model::Box> area_; // the document's unit, as given
};

class ExportFilterObject final : public ComObject<IVGExportFilter> {
public:
    struct Request {
        std::u16string fileName;
        int32_t filter = 0;
        bitmap::FileType type = bitmap::FileType::Png;
        bitmap::Options options;
        std::optional<model::Box> area; // millimetres
        model::Id page = 0;
        std::optional<std::vector<model::Id>> shapes;
    };

    ExportFilterObject(StatePtr state, EntryPtr doc, Request request)
        : ComObject(std::move(state)), doc_(std::move(doc)), request_(std::move(request)) {}

    // Prepares under the host lock (a snapshot of the page), then renders
    // and writes without it, so the user interface keeps working meanwhile.
    HRESULT Finish() override {
        constexpr const char* operation = "IVGExportFilter.Finish";
        std::optional<bitmap::Job> job;
        const QString file = QString::fromStdU16String(request_.fileName);
        const HRESULT prepared = call(operation, [&] {
            if (finished_)
                fail(E_FAIL, u"this export has been finished already");
            finished_ = true;
            job = prepare();
            state_->raise(state_->makeEvent(EvDocumentBeforeExport, eventArgs()));
        });
        if (prepared < 0)
            return prepared;
        try {
            bitmap::writeBitmap(*job, file);
        } catch (const bitmap::ExportError& e) {
            setLastErrorText(describeFailure(operation, fromUtf8(e.what())));
            return E_FAIL;
        } catch (const std::bad_alloc&) {
            setLastErrorText(describeFailure(operation, u"out of memory"));
            return E_OUTOFMEMORY;
        } catch (const std::exception& e) {
            setLastErrorText(describeFailure(operation, internalErrorText(e)));
            return E_FAIL;
        }
        try {
            state_->raise(state_->makeEvent(EvDocumentAfterExport, eventArgs()));
        } catch (const std::invalid_argument&) {
            // The document closed while its file was written: no one to tell.
        }
        return S_OK;
    }

private:
    bitmap::Job prepare() {
        DocumentEntry& d = openDocument(doc_);
        const model::Page* page = model::findPage(d.drawing, request_.page);
        if (!page)
            fail(E_FAIL, u"the page to export no longer exists");
        if (request_.shapes)
            for (model::Id id : *request_.shapes)
                if (!model::findShape(d.drawing, id))
                    fail(E_FAIL, u"a shape to export no longer exists");
        bitmap::Job job;
        job.type = request_.type;
        job.options = request_.options;
        job.page = *page;
        job.shapes = request_.shapes;
        try {
            job.area = bitmap::exportArea(job.page, request_.area, job.shapes, job.options);
            job.size = bitmap::imageSize(job.area, job.options, job.type);
        } catch (const bitmap::ExportError& e) {
            fail(E_FAIL, u"cannot write \"" + request_.fileName + u"\": " + fromUtf8(e.what()));
        }
        return job;
    }

    std::vector<EventArg> eventArgs() const {
        return {EventArg::doc(doc_->id), EventArg::string(request_.fileName),
                EventArg::integer(request_.filter), EventArg::boolean(true)};
    }

    EntryPtr doc_;
    Request request_;
    bool finished_ = false;
};

} // namespace

IVGStructExportOptions* newExportOptionsObject(const StatePtr& state) {
    return new ExportOptionsObject(state);
}

IVGExportFilter* newExportFilterObject(const StatePtr& state, const EntryPtr& doc,
                                       const char16_t* fileName, int32_t filter, int32_t range,
                                       IVGStructExportOptions* options, IDispatch* paletteOptions) {
    DocumentEntry& d = openDocument(doc);
    ExportFilterObject::Request r;
    r.fileName = fileName ? std::u16string(fileName) : std::u16string();
    if (r.fileName.empty())
        fail(E_INVALIDARG, u"no file name given");
    const auto type = bitmap::fileTypeOf(filter);
    if (!type)
        fail(E_INVALIDARG, u"unknown export filter " + number(filter) +
                               u" (774 JPG, 773 GIF, 802 PNG, 769 BMP, 788 PSD)");
    if (range != 1 && range != 2)
        fail(E_INVALIDARG,
             u"unknown export range " + number(range) + u" (1 the current page, 2 the selection)");
    if (!options)
        fail(E_INVALIDARG, u"no export options given");
    const auto* mine = dynamic_cast<const ExportOptionsObject*>(options);
    if (!mine)
        fail(E_INVALIDARG, u"the export options were not made by CreateStructExportOptions");
    if (paletteOptions)
        fail(E_INVALIDARG, u"palette options are not supported");
    r.filter = filter;
    r.type = *type;
    r.options = mine->values();
    if (const auto& a = mine->area())
        r.area = model::Box{fromUnit(a->x, d.unit), fromUnit(a->y, d.unit),
                            fromUnit(a->width, d.unit), fromUnit(a->height, d.unit)};
    if (range == 1) {
        r.page = d.drawing.activePage;
    } else {
        if (d.drawing.selection.empty())
            fail(E_FAIL, u"nothing is selected");
        auto where = model::locate(d.drawing, d.drawing.selection.front());
        if (!where)
            failGone();
        r.page = where->page->id;
        r.shapes = d.drawing.selection;
    }
    return new ExportFilterObject(state, doc, std::move(r));
}

} // namespace mosvik::host
