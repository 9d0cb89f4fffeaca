#include "ExportEngine.h"

#include "core/host/HostError.h"
#include "core/host/HostOps.h"
#include "core/host/HostText.h"
#include "framework/DebugUtils.h"
#include "framework/HandlerGuard.h"

#include <QFileInfo>

#include <cmath>

namespace mosvik::exporting {

using namespace com;

namespace {

using host_ops::activePageOf;
using host_ops::pageAt;
using host_ops::pageCount;
using host_ops::required;

QString documentName(IVGDocument* doc) {
    return QString::fromStdU16String(host_ops::documentName(doc));
}

QString pageName(IVGPage* page) {
    return QString::fromStdU16String(host_ops::pageName(page));
}

TPageBox pageBox(IVGPage* page) {
    TPageBox box;
    check(page, page->get_PositionX(&box.x));
    check(page, page->get_PositionY(&box.y));
    check(page, page->get_SizeWidth(&box.width));
    check(page, page->get_SizeHeight(&box.height));
    return box;
}

ComPtr<IVGShapeRange> selectionRange(IVGApplication* app) {
    ComPtr<IVGShapeRange> range;
    check(app, app->get_ActiveSelectionRange(range.put()));
    return required(std::move(range), u"没有选择范围");
}

VARIANT_BOOL vb(bool b) {
    return b ? VARIANT_TRUE : VARIANT_FALSE;
}

QString messageOf(std::exception_ptr error) {
    return exceptionMessage(error);
}

} // namespace

TExportEngine::TExportEngine(IVGApplication* app, TExportSettings settings, TExportView& view)
    : imageByteLimit(DefaultImageByteLimit()), app_(app), settings_(std::move(settings)),
      view_(view) {}

QString TExportEngine::FileExtension() const {
    return exporting::FileExtension(settings_.fileType);
}

int32_t TExportEngine::FilterCode() const {
    return exporting::FilterCode(settings_.fileType);
}

QString TExportEngine::PageNamePart(IVGPage* page) {
    if (!settings_.includePageName)
        return QString();
    return QStringLiteral("-") + SafeNamePart(pageName(page));
}

QString TExportEngine::NumberPart() {
    if (!settings_.addNumber)
        return QString();
    ++ind;
    return QStringLiteral("-%1").arg(ind);
}

bool TExportEngine::CheckRunValues() {
    const QFileInfo folder(settings_.location);
    if (settings_.location.isEmpty() || !folder.isDir()) {
        Log(QStringLiteral("^保存位置不存在：%1").arg(settings_.location));
        return false;
    }
    if (!folder.isWritable()) {
        Log(QStringLiteral("^保存位置无法写入：%1").arg(settings_.location));
        return false;
    }
    if (ParseResolution(settings_.resolution) < 1) {
        Log(QStringLiteral("^分辨率无效：%1，请输入大于0的整数").arg(settings_.resolution));
        return false;
    }
    // A scale of 0 has its own line on every page; other values below 0
    // would ask the host for a negative image size.
    if (ParseScale(settings_.scale) < 0) {
        Log(QStringLiteral("^缩放倍数无效：%1，请输入大于0的数").arg(settings_.scale));
        return false;
    }
    return true;
}

void TExportEngine::RunExport() {
    ind = 0;
    Log(QStringLiteral("^开始处理"));
    outFileName = settings_.fileName;
    try {
        if (CheckRunValues()) {
            switch (settings_.range) {
            case TExportRange::CurDocument:
                Log(QStringLiteral("导出当前文档"));
                ExportDocument(host_ops::activeDocument(app_.get()).get());
                break;
            case TExportRange::Document:
                Log(QStringLiteral("导出文档"));
                for (const auto& doc : CheckedDocuments()) {
                    if (stop_)
                        break;
                    Log(QStringLiteral("  导出文档%1").arg(documentName(doc.get())));
                    ExportDocument(doc.get());
                }
                break;
            case TExportRange::CurPage:
                Log(QStringLiteral("导出当前页面"));
                ExportPic(activePageOf(host_ops::activeDocument(app_.get()).get()).get());
                break;
            case TExportRange::Page:
                Log(QStringLiteral("导出页"));
                ExportPageList();
                break;
            case TExportRange::Selection:
                Log(QStringLiteral("导出选中对象"));
                ExportPic(activePageOf(host_ops::activeDocument(app_.get()).get()).get());
                break;
            case TExportRange::SelectionArea:
                Log(QStringLiteral("导出选中范围"));
                ExportPic(activePageOf(host_ops::activeDocument(app_.get()).get()).get());
                break;
            }
            if (!stop_)
                Log(QStringLiteral("^处理完成"));
        }
    } catch (...) {
        const QString message = messageOf(std::current_exception());
        // The box alone would leave the log looking unfinished but fine.
        Log(QStringLiteral("^导出中断：") + message);
        const TUiWait wait(&uiWaits);
        DebugUtils::ShowMessage(QStringLiteral("Export_") + message);
    }
    finished_ = true;
}

void TExportEngine::ExportPageList() {
    const TPageList list = ParsePageList();
    if (list.pages.empty()) {
        Log(QStringLiteral("^无效页面范围，请重新输入"));
        return;
    }
    for (int32_t n : list.pages) {
        if (stop_)
            return;
        Log(QStringLiteral("处理页：%1").arg(n));
        auto doc = host_ops::activeDocument(app_.get());
        if (n > pageCount(doc.get())) {
            Log(QStringLiteral("^页码超出范围跳过"));
            continue;
        }
        ExportPic(pageAt(doc.get(), n).get());
    }
}

TPageList TExportEngine::ParsePageList() {
    const QString& text = settings_.pageField;
    int32_t count = 0;
    if (!text.isEmpty())
        count = pageCount(host_ops::activeDocument(app_.get()).get());
    TPageList list = exporting::ParsePageList(text, count);
    if (list.beyondLastPage) {
        Log(QStringLiteral("^页码超过了文档的最大页，请重新设置！"));
        view_.RefusePageField();
    } else if (list.tooLong) {
        Log(QStringLiteral("^页码范围过大，一次最多%1页").arg(MaxPageListLength));
    }
    return list;
}

std::vector<ComPtr<IVGDocument>> TExportEngine::CheckedDocuments() {
    std::vector<ComPtr<IVGDocument>> result;
    ComPtr<IVGDocuments> docs;
    check(app_, app_->get_Documents(docs.put()));
    docs = required(std::move(docs), u"没有文档集合");
    for (const QString& entry : settings_.checkedDocumentNames) {
        int32_t count = 0;
        check(docs, docs->get_Count(&count));
        for (int32_t i = 1; i <= count; ++i) {
            ComPtr<IVGDocument> doc;
            check(docs, docs->get_Item(i, doc.put()));
            if (doc && documentName(doc.get()) == entry)
                result.push_back(doc);
        }
    }
    return result;
}

void TExportEngine::ExportDocument(IVGDocument* document) {
    const QString name = documentName(document);
    Log(QStringLiteral("^开始处理文档:") + name);
    check(document, document->Activate());
    view_.SetName();
    const int32_t count = pageCount(document);
    for (int32_t i = 1; i <= count; ++i) {
        if (stop_)
            return;
        auto page = pageAt(document, i);
        Log(QStringLiteral("  处理页面:%1").arg(pageName(page.get())));
        ExportPic(page.get());
    }
    Log(QStringLiteral("^文档处理结束:") + name);
}

TArea TExportEngine::ExportExtentSize(IVGPage* page) {
    TArea extent;
    switch (settings_.range) {
    case TExportRange::Selection: {
        auto selection = host_ops::activeSelection(app_.get());
        check(selection, selection->get_SizeWidth(&extent.width));
        check(selection, selection->get_SizeHeight(&extent.height));
        return extent;
    }
    case TExportRange::SelectionArea: {
        auto range = selectionRange(app_.get());
        check(range, range->get_SizeWidth(&extent.width));
        check(range, range->get_SizeHeight(&extent.height));
        return extent;
    }
    default:
        break;
    }
    if (settings_.pageArea && settings_.pageHalf)
        return HalfExtent(pageBox(page), settings_.pageHalfIndex == 1);
    if (settings_.pageArea) {
        check(page, page->get_SizeWidth(&extent.width));
        check(page, page->get_SizeHeight(&extent.height));
        return extent;
    }
    ComPtr<IVGShapeRange> all;
    auto shapes = host_ops::pageShapes(page);
    check(shapes, shapes->All(all.put()));
    all = required(std::move(all), u"没有对象");
    check(all, all->get_SizeWidth(&extent.width));
    check(all, all->get_SizeHeight(&extent.height));
    return extent;
}

void TExportEngine::ExportWithOptions(IVGStructExportOptions* options, const QString& fileName,
                                      int32_t range) {
    auto doc = host_ops::activeDocument(app_.get());
    ComPtr<IVGExportFilter> handle;
    check(doc, doc->ExportEx(reinterpret_cast<const char16_t*>(fileName.utf16()), FilterCode(),
                             range, options, nullptr, handle.put()));
    handle = required(std::move(handle), u"导出没有返回结果");
    check(handle, handle->Finish());
}

void TExportEngine::ExportPic(IVGPage* page) {
    try {
        check(page, page->Activate());
        if (host_ops::shapeCount(page) == 0) {
            Log(QStringLiteral("页面 %1 无对象，跳过!").arg(pageName(page)));
            return;
        }
        const QString base =
            SafeNamePart(settings_.range == TExportRange::Document
                             ? documentName(host_ops::activeDocument(app_.get()).get())
                             : outFileName);
        const QString extension = FileExtension();

        ComPtr<IVGStructExportOptions> options;
        check(app_, app_->CreateStructExportOptions(options.put()));
        options = required(std::move(options), u"无法创建导出选项");
        check(options, options->put_AntiAliasingType(settings_.smooth ? 1 : 0));
        check(options, options->put_ImageType(settings_.colorMode));
        check(options, options->put_Compression(settings_.compression));
        check(options, options->put_UseColorProfile(vb(settings_.useColorProfile)));
        check(options, options->put_TransparentBG(vb(settings_.transparent)));
        if (host_ops::versionMajor(app_.get()) > 14)
            check(options, options->put_AlwaysOverprintBlack(vb(settings_.overprintBlack)));
        check(options, options->put_MaintainLayers(vb(settings_.maintainLayers)));

        const int32_t resolution = ParseResolution(settings_.resolution);
        check(options, options->put_ResolutionX(resolution));
        check(options, options->put_ResolutionY(resolution));

        host_ops::setUnit(host_ops::activeDocument(app_.get()).get(), UnitPixels);

        const double scale = ParseScale(settings_.scale);
        if (scale == 0) {
            Log(QStringLiteral("缩放数值不能为0,退出"));
            return;
        }
        // The host renders extent × resolution / 300 pixels (times the
        // scale): refuse what would not fit in memory before it tries.
        const TArea extent = ExportExtentSize(page);
        const double width = ImageSide(extent.width, scale, resolution);
        const double height = ImageSide(extent.height, scale, resolution);
        if (!ImageFitsInMemory(width, height, imageByteLimit)) {
            Log(QStringLiteral("^图片尺寸过大（%1 × %2 像素），跳过页面 %3")
                    .arg(std::trunc(width), 0, 'f', 0)
                    .arg(std::trunc(height), 0, 'f', 0)
                    .arg(pageName(page)));
            return;
        }
        if (scale != 1) {
            check(options, options->put_SizeX(*TruncatedImageSide(width)));
            check(options, options->put_SizeY(*TruncatedImageSide(height)));
        }

        const QString folder = FolderWithSeparator(settings_.location);
        auto name = [&](const QString& half) {
            const QString pagePart = PageNamePart(page);
            return ComposeFileName(folder, base, pagePart, half, NumberPart(), extension);
        };
        auto setArea = [&](const TArea& a) {
            ComPtr<IVGRect> rect;
            check(app_, app_->CreateRect(a.x, a.y, a.width, a.height, rect.put()));
            rect = required(std::move(rect), u"无法创建矩形");
            check(options, options->put_ExportArea(rect.get()));
        };

        if (settings_.range == TExportRange::Selection) {
            ExportWithOptions(options.get(), name(QString()), RangeSelection);
        } else if (settings_.range == TExportRange::SelectionArea) {
            auto range = selectionRange(app_.get());
            TArea a;
            check(range, range->get_PositionX(&a.x));
            check(range, range->get_PositionY(&a.y));
            check(range, range->get_SizeWidth(&a.width));
            check(range, range->get_SizeHeight(&a.height));
            setArea(a);
            ExportWithOptions(options.get(), name(QString()), RangeCurrentPage);
        } else if (settings_.pageArea && settings_.pageHalf) {
            const auto halves = HalfAreas(pageBox(page), settings_.pageHalfIndex == 1);
            setArea(halves[0]);
            ExportWithOptions(options.get(), name(QStringLiteral("1前")), RangeCurrentPage);
            setArea(halves[1]);
            ExportWithOptions(options.get(), name(QStringLiteral("2后")), RangeCurrentPage);
        } else if (settings_.pageArea) {
            const TPageBox box = pageBox(page);
            setArea({box.x, box.y, box.width, box.height});
            ExportWithOptions(options.get(), name(QString()), RangeCurrentPage);
        } else {
            ExportWithOptions(options.get(), name(QString()), RangeCurrentPage);
        }
    } catch (...) {
        const QString message = messageOf(std::current_exception());
        Log(QStringLiteral("^导出页面出错：") + message);
        const TUiWait wait(&uiWaits);
        DebugUtils::ShowMessage(QStringLiteral("ExportPic ++++ ") + message);
    }
}

} // namespace mosvik::exporting
