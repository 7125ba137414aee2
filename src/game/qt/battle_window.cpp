#include "game/qt/battle_window.h"

#include "battle_template.h"
#include "game/qt/board_geometry.h"
#include "game/qt/board_icons.h"
#include "game/qt/cp932_string.h"
#include "game/qt/dialog_units.h"
#include "game/qt/event_sounds.h"
#include "game/qt/preferences.h"
#include "text/texts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace pyrandel {

namespace {

const QColor OUTLINE_COLOUR(Qt::white);

// Rings sit on the ball's edge (radius 11 in the 32-pixel design), leaving its middle as it is.
constexpr qreal RING_RADIUS = 12.0;
constexpr qreal RING_WIDTH = 2.0;
constexpr qreal OUTLINE_WIDTH = 2.5;
// A ring reaches a pixel beyond its cell's picture on no side, but antialiasing may touch one more.
constexpr int RING_SPILL = 1;

void DrawRing(QPainter& painter, int col, int row, const QColor& colour, qreal width)
{
    const PixelPoint origin = CellOrigin(col, row);
    painter.setPen(QPen(colour, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(origin.x + CELL_PIXELS / 2.0, origin.y + CELL_PIXELS / 2.0), RING_RADIUS, RING_RADIUS);
}

} // namespace

BattleWindow::BattleWindow(BattleEvents& events, BoardIcons& icons, Preferences* preferences, EventSounds* sounds)
    : QWidget(nullptr, Qt::Window), events(&events), icons(icons), preferences(preferences), sounds(sounds),
      controls(templates::BATTLE, *this), first_size(ClientSize(font()))
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    resize(first_size);
    setMinimumSize(first_size / 2);
    setAccessibleName(FromCp932(texts::ACCESS_BOARD));
    setToolTip(FromCp932(texts::BATTLE_KEYS));
    if (preferences != nullptr) {
        icons.SetBallStyle(preferences->colour_aid() ? BallStyle::SHAPED : BallStyle::PLAIN);
        // A kept place that no longer fits any screen is refused by Qt, and the window opens as new.
        (void)restoreGeometry(preferences->battle_geometry());
    }
    Describe();
}

BattleWindow::~BattleWindow() = default;

QSize BattleWindow::ClientSize(const QFont& font)
{
    const QSize dialog = DialogUnits(font).ToPixels(templates::BATTLE.width, templates::BATTLE.height);
    return dialog.expandedTo(QSize(BOARD_RIGHT + BOARD_MARGIN, BOARD_BOTTOM + BOARD_MARGIN));
}

QTransform BattleWindow::BoardTransform() const
{
    if (size() == first_size) {
        return {};
    }
    const qreal scale =
        std::min(static_cast<qreal>(width()) / first_size.width(), static_cast<qreal>(height()) / first_size.height());
    QTransform transform;
    transform.translate((width() - first_size.width() * scale) / 2.0, (height() - first_size.height() * scale) / 2.0);
    transform.scale(scale, scale);
    return transform;
}

QPoint BattleWindow::BoardPoint(QPointF at) const
{
    const QPointF board = BoardTransform().inverted().map(at);
    return {static_cast<int>(std::floor(board.x())), static_cast<int>(std::floor(board.y()))};
}

QRect BattleWindow::CellRect(int col, int row)
{
    const PixelPoint origin = CellOrigin(col, row);
    return {origin.x, origin.y, CELL_PIXELS, CELL_PIXELS};
}

void BattleWindow::UpdateCell(int col, int row)
{
    const QRect cell = CellRect(col, row).adjusted(-RING_SPILL, -RING_SPILL, RING_SPILL, RING_SPILL);
    update(BoardTransform().mapRect(cell).adjusted(-1, -1, 1, 1));
}

void BattleWindow::DrawCell(int col, int row)
{
    if (col < 0) {
        return;
    }
    if (marker_cell == Cell{col, row}) {
        marker_cell.reset();
        Describe();
    }
    UpdateCell(col, row);
    if (events == nullptr) {
        return;
    }
    BoardMarks marks = events->Marks();
    if (marks == shown_marks) {
        return;
    }
    const bool line_completed = shown_marks.winning_line.empty() && !marks.winning_line.empty();
    for (const BoardMarks* each : {&shown_marks, &marks}) {
        for (const std::optional<Cell>& ball : each->last_balls) {
            if (ball) {
                UpdateCell(ball->col, ball->row);
            }
        }
        for (const Cell& cell : each->winning_line) {
            UpdateCell(cell.col, cell.row);
        }
    }
    shown_marks = std::move(marks);
    if (line_completed) {
        // The line is on screen before any message box about it.
        repaint();
    }
}

void BattleWindow::DrawMarker(int col, int row)
{
    if (marker_cell) {
        UpdateCell(marker_cell->col, marker_cell->row);
    }
    marker_cell = Cell{col, row};
    UpdateCell(col, row);
    Describe();
}

void BattleWindow::Repaint()
{
    marker_cell.reset();
    if (events != nullptr) {
        shown_marks = events->Marks();
    }
    update();
    Describe();
}

void BattleWindow::SetBallIcon(int colour)
{
    own_colour = colour;
    setWindowIcon(icons.BallIcon(colour));
    Describe();
}

void BattleWindow::ShowStatus(const QString& text)
{
    if (auto* label = controls.Get<QLabel>(templates::BATTLE_STATUS)) {
        label->setText(text);
    }
    if (!announced.isEmpty() && text != announced) {
        announced.clear();
        setWindowTitle(FromCp932(texts::CAPTION_BATTLE));
    }
    Describe();
}

QString BattleWindow::status() const
{
    const auto* label = controls.Get<QLabel>(templates::BATTLE_STATUS);
    return label != nullptr ? label->text() : QString();
}

void BattleWindow::Announce(BattleAnnouncement what)
{
    if (events == nullptr) {
        return;
    }
    announced = FromCp932(what == BattleAnnouncement::YOUR_TURN ? texts::STATUS_YOUR_TURN : texts::STATUS_YOU_WIN);
    setWindowTitle(FromCp932(texts::CAPTION_BATTLE) + FromCp932(texts::TITLE_SEPARATOR) + announced);
    if (!isActiveWindow()) {
        // The window system marks the window urgent (a flashing task bar entry) until the player turns to it.
        QApplication::alert(this);
        ++attention_count;
    }
    if (sounds != nullptr && preferences != nullptr && preferences->sound()) {
        sounds->Play(what);
    }
}

void BattleWindow::SetColourAid(bool on)
{
    if (preferences != nullptr) {
        preferences->SetColourAid(on);
    }
    icons.SetBallStyle(on ? BallStyle::SHAPED : BallStyle::PLAIN);
    update();
}

void BattleWindow::Describe()
{
    QString text = status() + FromCp932(texts::ACCESS_SENTENCE_END);
    if (own_colour >= 0) {
        text += FromCp932(texts::ACCESS_OWN_COLOUR) + FromCp932(texts::ColourName(own_colour)) +
                FromCp932(texts::ACCESS_SENTENCE_END);
    }
    text += marker_cell
                ? FromCp932(texts::ACCESS_MARKER_LANE) + QString::number(LaneOf(marker_cell->col, marker_cell->row) + 1)
                : FromCp932(texts::ACCESS_NO_MARKER);
    setAccessibleDescription(text);
}

void BattleWindow::Close(BattleClose how)
{
    if (events == nullptr) {
        return;
    }
    if (preferences != nullptr && isVisible()) {
        preferences->SetBattleGeometry(saveGeometry());
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
    // Pictures are picked for the device pixels a board pixel covers, so a scaled board stays sharp.
    const qreal ratio = painter.device()->devicePixelRatioF() * painter.transform().m11();
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
    const BoardMarks marks = events->Marks();
    if (marks.winning_line.empty() && std::none_of(marks.last_balls.begin(), marks.last_balls.end(),
                                                   [](const auto& ball) { return ball.has_value(); })) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (int colour = 0; colour < COLOURS; ++colour) {
        const std::optional<Cell>& ball = marks.last_balls[static_cast<std::size_t>(colour)];
        if (ball && CellRect(ball->col, ball->row).intersects(area)) {
            DrawRing(painter, ball->col, ball->row, BallColour(colour, icons.ball_style_now()), RING_WIDTH);
        }
    }
    for (const Cell& cell : marks.winning_line) {
        if (CellRect(cell.col, cell.row).intersects(area)) {
            DrawRing(painter, cell.col, cell.row, OUTLINE_COLOUR, OUTLINE_WIDTH);
        }
    }
    painter.restore();
}

void BattleWindow::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QTransform transform = BoardTransform();
    painter.setTransform(transform);
    const QRect area = transform.inverted().mapRect(event->rect()).adjusted(-1, -1, 1, 1);
    Paint(painter, area);
    if (marker_cell && events != nullptr) {
        const QRect cell = CellRect(marker_cell->col, marker_cell->row);
        if (cell.intersects(area)) {
            painter.drawPixmap(cell.topLeft(), icons.Marker(painter.device()->devicePixelRatioF() * transform.m11()));
        }
    }
}

void BattleWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (events != nullptr) {
        events->PointAt(LaneAtX(BoardPoint(event->position()).x()));
    }
}

void BattleWindow::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = BoardPoint(event->position());
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
        events->Drop(marker_cell ? std::optional<int>(LaneOf(marker_cell->col, marker_cell->row)) : std::nullopt);
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

void BattleWindow::contextMenuEvent(QContextMenuEvent* event)
{
    if (preferences == nullptr || events == nullptr) {
        return;
    }
    QMenu menu(this);
    QAction* sound = menu.addAction(FromCp932(texts::MENU_SOUND));
    sound->setCheckable(true);
    sound->setChecked(preferences->sound());
    connect(sound, &QAction::toggled, this, [this](bool on) { preferences->SetSound(on); });
    QAction* aid = menu.addAction(FromCp932(texts::MENU_COLOUR_AID));
    aid->setCheckable(true);
    aid->setChecked(preferences->colour_aid());
    connect(aid, &QAction::toggled, this, [this](bool on) { SetColourAid(on); });
    menu.exec(event->globalPos());
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
