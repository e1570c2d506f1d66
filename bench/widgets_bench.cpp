// Cost of one full paint of the display widgets at the sizes the window uses: a live page
// rewrites up to 20 gauges and the display four lines several times a second.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QString>

#include "widgets/dot_matrix.h"
#include "widgets/seven_segment.h"

namespace {

void BM_DisplayLine24(benchmark::State& state) {
    tvx::widgets::TDotMatrix5x7 line;
    line.resize(321, 20);
    line.setNumberOfDigits(24);
    line.setThickness(2);
    line.setHorzSpace(2);
    line.setVertSpace(2);
    int n = 0;
    for (auto _ : state) {
        line.setValue(QStringLiteral("  RPM %1 ENGINE RUNNING ").arg(n++ % 10000, 4));
        benchmark::DoNotOptimize(line.toImage());
    }
}
BENCHMARK(BM_DisplayLine24);

void BM_FourDigitGauge(benchmark::State& state) {
    tvx::widgets::TSevenSegment gauge;
    gauge.resize(81, 25);
    gauge.setNumberOfDigits(4);
    gauge.setThickness(2);
    gauge.setSpace(1);
    gauge.setValueType(tvx::widgets::TSevenSegment::ssAlphaNumeric);
    int n = 0;
    for (auto _ : state) {
        gauge.setValue(QString::number((n++ % 2000) / 100.0, 'f', 2));
        benchmark::DoNotOptimize(gauge.toImage());
    }
}
BENCHMARK(BM_FourDigitGauge);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
