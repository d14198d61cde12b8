// One redraw of the Rates page's chart, painted into an image as the screen would get it, with
// 32 stations over 24 hours in the history, against the same redraw of an empty history.
//   QT_QPA_PLATFORM=offscreen build/bench/rates_chart_bench
// Args: the range (0: 10 minutes, 1: 1 hour, 2: 24 hours); 0 empty history, 1 full.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <ctime>

#include "RateFill.h"
#include "link/NullWire.h"
#include "ui/DesktopApp.h"
#include "ui/RatesPageWidget.h"

namespace {

using namespace zentrel;

void RatesChart_Redraw(benchmark::State& state) {
    NullWire wire;
    SystemClock clock;
    ui::DesktopApp app(wire, clock, ".");
    if (state.range(1)) bench::FillDay(app.core.rates, 32, clock.Now(), 5.2);
    ui::RatesPageWidget page(app.ctx);
    page.resize(800, 600);
    page.setAttribute(Qt::WA_DontShowOnScreen);
    page.show();
    QApplication::processEvents();
    page.range->setCurrentIndex(static_cast<int>(state.range(0)));
    page.receive->setChecked(false);
    QImage image(page.chart->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        page.Redraw();
        QPainter painter(&image);
        page.chart->render(&painter);
    }
    std::size_t points = 0;
    for (const auto& line : page.chart->Lines()) points += static_cast<std::size_t>(line.points.size());
    state.counters["points"] = static_cast<double>(points);
    state.counters["pixels"] = image.width() * image.height();
}
BENCHMARK(RatesChart_Redraw)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
