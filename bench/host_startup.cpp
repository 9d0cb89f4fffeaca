// Start-up of the host program as a user meets it: the main window shown,
// its handle given to the host, the plug-in loaded with its start event,
// the tool bars built and one document painted (offscreen), then the
// window closed and the plug-in unloaded.
#include "app/HostSession.h"
#include "app/window/MainWindow.h"

#include <QApplication>
#include <QImage>
#include <QToolBar>

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace mosvik;

static void BM_HostStartupToPaintedWindow(benchmark::State& state) {
    for (auto _ : state) {
        app::HostSession session(app::defaultPluginPath());
        app::MainWindow window(session.host());
        window.setErrorReporter([&](const QString&, const QString& text) {
            state.SkipWithError(text.toStdString().c_str());
        });
        window.resize(1000, 700);
        window.show();
        window.startPlugin(session);
        window.newDocument();
        const QImage painted = window.grab().toImage();
        benchmark::DoNotOptimize(painted.constBits());
        if (!window.findChild<QToolBar*>(QStringLiteral("ormel201600401")))
            state.SkipWithError("the plug-in's tool bar is missing");
    }
}
BENCHMARK(BM_HostStartupToPaintedWindow)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
