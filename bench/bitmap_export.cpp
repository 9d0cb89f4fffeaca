// Bitmap export through the automation objects, as the plug-in drives it:
//   - one A4 page of 500 shapes at 300 dpi (2480 x 3508 pixels, 35 MB as a
//     raw 32-bit bitmap) to PNG and to JPG: time and peak memory growth,
//     side by side with rsvg-convert rendering the same page saved as SVG
//     to a PNG of the same size (goals: no slower than it; peak growth at
//     most twice the raw bitmap);
//   - a 20-page document to JPG at 150 dpi: pages per second.
// Peak memory is the growth of the peak resident set over the export
// (/proc/self/status VmHWM after resetting it through clear_refs); the
// peer's is its whole process's maximum resident set.
#include "host/Application.h"
#include "host/files/SvgExport.h"

#include "core/host/ComPtr.h"
#include "core/host/HostOps.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

using namespace mosvik;
using namespace mosvik::host;

extern char** environ;

namespace {

constexpr double megabyte = 1024.0 * 1024.0;
constexpr double rawA4At300 = 2480.0 * 3508.0 * 4.0;

// Shapes of every common kind scattered over the page: rectangles (some
// with rounded corners), ellipses, outlines, a few fountain fills.
model::Page crowdedPage(int shapes, unsigned seed) {
    std::mt19937 random(seed);
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    auto channel = [&] {
        return std::uniform_int_distribution<int>(0, 255)(random);
    };
    model::Page page;
    page.name = u"Page";
    model::Layer layer{0, u"Layer 1", {}};
    for (int i = 0; i < shapes; ++i) {
        const double w = uniform(5, 60), h = uniform(5, 60);
        model::Shape s = model::shape(i % 3 == 2 ? com::ShapeEllipse : com::ShapeRectangle,
                                      uniform(0, 210 - w), uniform(0, 297 - h), w, h);
        s.fill = model::uniform(model::rgb(channel(), channel(), channel()));
        if (i % 4 == 0)
            s.corners = model::Corners{3, 3, 3, 3};
        if (i % 5 == 0)
            s.outline = model::outline(0.5, model::rgb(channel(), channel(), channel()));
        if (i % 25 == 0) {
            s.fill.type = com::FillFountain;
            s.fill.fountain = model::Fountain{model::FountainLinear,
                                              0,
                                              0,
                                              1,
                                              1,
                                              {{0, model::rgb(channel(), channel(), channel())},
                                               {1, model::rgb(channel(), channel(), channel())}}};
        }
        layer.shapes.push_back(s);
    }
    page.layers.push_back(layer);
    return page;
}

model::Drawing drawingOf(int pages, int shapes) {
    model::Drawing d;
    for (int p = 0; p < pages; ++p)
        d.pages.push_back(crowdedPage(shapes, 1234u + unsigned(p)));
    return d;
}

long statusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + key.size());
    return 0;
}

// Starts a peak measurement: returns the resident set it grows from.
long startPeak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5"; // resets VmHWM to VmRSS
    return statusKilobytes("VmRSS");
}

// Exports the active page with the options the plug-in sets.
void exportPage(com::IVGApplication* app, const QString& file, int32_t filter, int32_t dpi,
                bool wholePage) {
    using com::ComPtr;
    ComPtr<com::IVGStructExportOptions> options;
    com::check(app, app->CreateStructExportOptions(options.put()));
    com::check(options, options->put_AntiAliasingType(1));
    com::check(options, options->put_ImageType(4));
    com::check(options, options->put_Compression(9)); // the window's default
    com::check(options, options->put_ResolutionX(dpi));
    com::check(options, options->put_ResolutionY(dpi));
    auto doc = host_ops::activeDocument(app);
    if (wholePage) {
        ComPtr<com::IVGRect> rect;
        com::check(app, app->CreateRect(0, 0, 210, 297, rect.put()));
        com::check(options, options->put_ExportArea(rect.get()));
    }
    ComPtr<com::IVGExportFilter> handle;
    const std::u16string name = file.toStdU16String();
    com::check(doc, doc->ExportEx(name.c_str(), filter, 1, options.get(), nullptr, handle.put()));
    com::check(handle, handle->Finish());
}

void exportA4(benchmark::State& state, int32_t filter, const char* extension) {
    Application app;
    app.openDocument(u"/bench/a4.cdr", drawingOf(1, 500));
    QTemporaryDir folder;
    const QString file = folder.filePath(QString("page.") + extension);
    double peak = 0;
    for (auto _ : state) {
        const long before = startPeak();
        exportPage(app.com(), file, filter, 300, true);
        peak = std::max(peak, (statusKilobytes("VmHWM") - before) * 1024.0);
    }
    state.counters["peak_MB"] = peak / megabyte;
    state.counters["peak_per_raw_bitmap"] = peak / rawA4At300;
    state.counters["file_MB"] = double(QFile(file).size()) / megabyte;
}

void BM_A4_500Shapes_300dpi_PNG(benchmark::State& state) {
    exportA4(state, 802, "png");
}
void BM_A4_500Shapes_300dpi_JPG(benchmark::State& state) {
    exportA4(state, 774, "jpg");
}

// The peer: rsvg-convert renders the same page, saved as SVG, to a PNG of
// the same pixel size.
void BM_A4_500Shapes_300dpi_rsvgConvertPNG(benchmark::State& state) {
    QTemporaryDir folder;
    const QString svg = folder.filePath("page.svg");
    const QString png = folder.filePath("page.png");
    model::Drawing d = drawingOf(1, 500);
    d.pages[0].id = 1;
    d.activePage = 1;
    files::saveSvg(d, svg, 1);
    const std::string in = QFile::encodeName(svg).toStdString();
    const std::string out = QFile::encodeName(png).toStdString();
    const char* argv[] = {"rsvg-convert", "-d", "300",       "-p",       "300",  "-f",
                          "png",          "-o", out.c_str(), in.c_str(), nullptr};
    long peakKilobytes = 0;
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, "rsvg-convert", nullptr, nullptr, const_cast<char**>(argv),
                         environ) != 0) {
            state.SkipWithError("rsvg-convert is not installed (Debian package librsvg2-bin)");
            return;
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("rsvg-convert failed");
            return;
        }
        peakKilobytes = std::max(peakKilobytes, usage.ru_maxrss);
    }
    state.counters["peak_MB"] = peakKilobytes * 1024.0 / megabyte;
    state.counters["peak_per_raw_bitmap"] = peakKilobytes * 1024.0 / rawA4At300;
    state.counters["file_MB"] = double(QFile(png).size()) / megabyte;
}

void BM_20Pages_JPG_150dpi(benchmark::State& state) {
    Application app;
    const DocumentId doc = app.openDocument(u"/bench/pages.cdr", drawingOf(20, 100));
    QTemporaryDir folder;
    auto document = app.documentObject(doc);
    com::ComPtr<com::IVGPages> pages;
    com::check(document, document->get_Pages(pages.put()));
    for (auto _ : state) {
        for (int32_t n = 1; n <= 20; ++n) {
            com::ComPtr<com::IVGPage> page;
            com::check(pages, pages->get_Item(n, page.put()));
            com::check(page, page->Activate());
            exportPage(app.com(), folder.filePath(QString("page-%1.jpg").arg(n)), 774, 150, false);
        }
    }
    state.SetItemsProcessed(state.iterations() * 20);
}

} // namespace

BENCHMARK(BM_A4_500Shapes_300dpi_PNG)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_A4_500Shapes_300dpi_JPG)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_A4_500Shapes_300dpi_rsvgConvertPNG)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_20Pages_JPG_150dpi)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
