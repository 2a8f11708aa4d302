// Drawing one look of a 51 x 21 button (the common size of the browser's buttons) against
// painting a push button of the same size in Qt's Fusion style, both without caption text.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <memory>

#include "comparison.h"
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return skiff::bench::runComparison(argc, argv, "drawcell_vs_fusion_button", "BM_DrawCell",
                                       "BM_FusionPushButton", 0.50);
}
