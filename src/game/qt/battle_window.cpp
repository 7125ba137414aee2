#include "game/qt/battle_window.h"

#include "battle_template.h"
#include "game/qt/board_geometry.h"
#include "game/qt/board_icons.h"
#include "game/qt/dialog_units.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace pyrandel {

BattleWindow::BattleWindow(BattleEvents& events, const BoardIcons& icons)
    : QWidget(nullptr, Qt::Window), events(&events), icons(icons), controls(templates::BATTLE, *this)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    resize(ClientSize(font()));
}

BattleWindow::~BattleWindow() = default;

QSize BattleWindow::ClientSize(const QFont& font)
{
    const QSize dialog = DialogUnits(font).ToPixels(templates::BATTLE.width, templates::BATTLE.height);
    return dialog.expandedTo(QSize(BOARD_RIGHT + BOARD_MARGIN, BOARD_BOTTOM + BOARD_MARGIN));
}

QRect BattleWindow::CellRect(int col, int row)
{
    const PixelPoint origin = CellOrigin(col, row);
    return {origin.x, origin.y, CELL_PIXELS, CELL_PIXELS};
}

void BattleWindow::DrawCell(int col, int row)
{
    if (col < 0) {
        return;
    }
    if (marker_cell == Cell{col, row}) {
        marker_cell.reset();
    }
    update(CellRect(col, row));
}

void BattleWindow::DrawMarker(int col, int row)
{
    if (marker_cell) {
        update(CellRect(marker_cell->col, marker_cell->row));
    }
    marker_cell = Cell{col, row};
    update(CellRect(col, row));
}

void BattleWindow::Repaint()
{
    marker_cell.reset();
    update();
}

void BattleWindow::SetBallIcon(int colour) { setWindowIcon(icons.BallIcon(colour)); }

void BattleWindow::ShowStatus(const QString& text)
{
    if (auto* label = controls.Get<QLabel>(templates::BATTLE_STATUS)) {
        label->setText(text);
    }
}

QString BattleWindow::status() const
{
    const auto* label = controls.Get<QLabel>(templates::BATTLE_STATUS);
    return label != nullptr ? label->text() : QString();
}

void BattleWindow::Close(BattleClose how)
{
    if (events == nullptr) {
        return;
    }
    events->CloseRequested(how);
    events = nullptr;
    marker_cell.reset();
    hide();
    Q_EMIT Closed();
}

void BattleWindow::Paint(QPainter& painter, const QRect& area) const
{
    if (events == nullptr) {
        return;
    }
    const Grid cells = events->Cells();
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QPixmap& hole = icons.Hole(ratio);
    // Row by row from the floor: each row's lower points are drawn over by the row above, as the cells
    // interlock.
    for (int row = 0; row < ROWS; ++row) {
        for (int col = 0; col < COLUMNS; ++col) {
            const QRect cell = CellRect(col, row);
            if (!cell.intersects(area)) {
                continue;
            }
            painter.drawPixmap(cell.topLeft(), hole);
            const int value = CellAt(cells, col, row);
            if (value >= 0 && value < COLOURS) {
                painter.drawPixmap(cell.topLeft(), icons.Ball(value, ratio));
            }
        }
    }
}

void BattleWindow::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    Paint(painter, event->rect());
    if (marker_cell && events != nullptr) {
        const QRect cell = CellRect(marker_cell->col, marker_cell->row);
        if (cell.intersects(event->rect())) {
            painter.drawPixmap(cell.topLeft(), icons.Marker(painter.device()->devicePixelRatioF()));
        }
    }
}

void BattleWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (events != nullptr) {
        events->PointAt(LaneAtX(event->position().toPoint().x()));
    }
}

void BattleWindow::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (events != nullptr && event->button() == Qt::LeftButton && ClickCounts(at.y())) {
        events->Drop(LaneAtX(at.x()));
    }
}

void BattleWindow::keyPressEvent(QKeyEvent* event)
{
    if (events == nullptr) {
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Close(BattleClose::ENTER);
        break;
    case Qt::Key_Escape:
        Close(BattleClose::ESCAPE);
        break;
    case Qt::Key_Left:
        StepMarker(-1);
        break;
    case Qt::Key_Right:
        StepMarker(+1);
        break;
    case Qt::Key_H:
        events->Hint();
        break;
    case Qt::Key_Space:
    case Qt::Key_Down:
        // With no marker shown the logic falls back on the spot it remembers, as a click off the lanes does.
        events->Drop(marker_cell ? std::optional<int>(LaneOf(marker_cell->col, marker_cell->row))
                                 : std::nullopt);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void BattleWindow::closeEvent(QCloseEvent* event)
{
    // The window ends only through Close, so the logic always hears how.
    event->ignore();
    Close(BattleClose::CLOSE_BOX);
}

void BattleWindow::StepMarker(int direction)
{
    const Grid cells = events->Cells();
    int lane = marker_cell ? LaneOf(marker_cell->col, marker_cell->row) : (direction > 0 ? -1 : LANES);
    for (lane += direction; lane >= 0 && lane < LANES; lane += direction) {
        if (LandingSpot(cells, lane)) {
            events->PointAt(lane);
            return;
        }
    }
}

} // namespace pyrandel
