// How long a full repaint of the battle window's board takes: all 192 cells (hole, then ball) painted into an
// image of the window's size, and the whole window rendered as its paint events draw it. Goal: under 2 ms.

#include "game/battle_events.h"
#include "game/qt/battle_window.h"
#include "game/qt/board_icons.h"
#include "game/qt/view_resources.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

// A board with a ball in every cell, the most a repaint ever draws.
class FullBoard final : public pyrandel::BattleEvents {
public:
    FullBoard()
    {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            cells[i] = static_cast<int>(i % pyrandel::COLOURS);
        }
    }
    void PointAt(std::optional<int>) override {}
    void Drop(std::optional<int>) override {}
    void CloseRequested(pyrandel::BattleClose) override {}
    [[nodiscard]] pyrandel::Grid Cells() const override { return cells; }

private:
    pyrandel::Grid cells{};
};

void BM_PaintFullBoard(benchmark::State& state)
{
    const pyrandel::BoardIcons icons;
    FullBoard board;
    pyrandel::BattleWindow window(board, icons);
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::lightGray);
        window.Paint(painter, image.rect());
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintFullBoard)->Unit(benchmark::kMicrosecond);

void BM_RenderWindow(benchmark::State& state)
{
    const pyrandel::BoardIcons icons;
    FullBoard board;
    pyrandel::BattleWindow window(board, icons);
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        // The whole window as a paint event draws it: background, status line, rules line and the board.
        window.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RenderWindow)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    pyrandel::InitViewResources();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
