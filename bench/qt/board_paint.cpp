// How long a full repaint of the battle window's board takes: all 192 cells (hole, then ball) painted into an
// image of the window's size, and the whole window rendered as its paint events draw it. Goals: under 2 ms at
// a device pixel ratio of 1, under 4 ms at 2; the marks (latest balls, a winning line) are drawn too.

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
    [[nodiscard]] pyrandel::BoardMarks Marks() const override
    {
        pyrandel::BoardMarks marks;
        marks.last_balls = {pyrandel::Cell{0, 0}, pyrandel::Cell{1, 5}, pyrandel::Cell{2, 11}, std::nullopt};
        marks.winning_line = {{3, 4}, {4, 4}, {5, 4}, {6, 4}, {7, 4}};
        return marks;
    }

private:
    pyrandel::Grid cells{};
};

// The argument is the device pixel ratio.
void BM_PaintFullBoard(benchmark::State& state)
{
    pyrandel::BoardIcons icons;
    FullBoard board;
    pyrandel::BattleWindow window(board, icons);
    const auto ratio = static_cast<int>(state.range(0));
    QImage image(window.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::lightGray);
        window.Paint(painter, QRect(QPoint(0, 0), window.size()));
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintFullBoard)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_RenderWindow(benchmark::State& state)
{
    pyrandel::BoardIcons icons;
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
