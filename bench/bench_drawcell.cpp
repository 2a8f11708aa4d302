// Drawing one look of a 51 x 21 button (the common size of the browser's buttons) against
// painting a push button of the same size in Qt's Fusion style, both without caption text.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "controls/xpcmdbutton/xpcmdbutton.h"

namespace skiff {
struct DrawCellProbe {
    static void draw(xpcmdbutton& button, qint16 cell) { button.DrawCell(cell); }
};
}  // namespace skiff

namespace {

constexpr QSize kButtonSize(51, 21);

void BM_DrawCell(benchmark::State& state) {
    skiff::xpcmdbutton button;
    button.resize(kButtonSize);
    qint16 cell = 0;
    for (auto _ : state) {
        skiff::DrawCellProbe::draw(button, cell);
        cell = cell == 3 ? 1 : 3;  // alternate as a pointer moving with and without a button
        benchmark::DoNotOptimize(button.face().constBits());
    }
}
BENCHMARK(BM_DrawCell);

void BM_FusionPushButton(benchmark::State& state) {
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    QPushButton button;
    button.setStyle(fusion.get());
    button.resize(kButtonSize);
    QImage target(kButtonSize, QImage::Format_RGB32);
    for (auto _ : state) {
        button.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_FusionPushButton);

// Keeps the CPU time of each benchmark while printing the usual table (without colours, so
// that the comparison line starts a clean line).
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    RecordingReporter() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> cpuTime;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) cpuTime[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double drawCell = reporter.cpuTime["BM_DrawCell"];
    const double fusion = reporter.cpuTime["BM_FusionPushButton"];
    if (drawCell > 0 && fusion > 0)
        std::printf("drawcell_vs_fusion_button ratio=%.2f goal<=0.50\n", drawCell / fusion);
    benchmark::Shutdown();
    return 0;
}
