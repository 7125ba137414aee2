#pragma once
// The battle window (template 112): the board drawn from the match logic's cells with the geometry of
// board_geometry.h, the marker where the player's ball would land, the other players' latest balls and the
// winning line, the status line, and the player's input.
//
// Input goes to BattleEvents as lanes: the pointer's x picks the lane, a left click below y = 48 drops, and
// the keyboard plays too (Left and Right move the marker to the nearest lane with a landing spot, Space or
// Down drops there, H asks the logic for a hint). Enter, Escape and the close box end the window as the player's own leaving;
// Close(PROGRAM) is the program's request. Every way of closing calls CloseRequested once and then emits
// Closed. The right button opens the preferences menu (sound, colour-blind aid).
//
// Scaling: the board keeps the template's proportions and grows or shrinks with the window, centred in it.
// All board geometry stays in board pixels (board_geometry.h); one transform maps them to the window, for
// painting and, inverted, for the pointer. At the window's first size the transform is the identity, so the
// board shows exactly the pixels it always has.
//
// Window thread only. The window reads the cells only while it is open; once closed it never calls the logic.

#include "game/battle_events.h"
#include "game/qt/dialog_controls.h"

#include <QTransform>
#include <QWidget>

#include <optional>

namespace pyrandel {

class BoardIcons;
class EventSounds;
class Preferences;

class BattleWindow final : public QWidget {
    Q_OBJECT

public:
    // `preferences` and `sounds` may be null (tests, benchmarks): no menu, no sound, nothing remembered.
    BattleWindow(BattleEvents& events, BoardIcons& icons, Preferences* preferences = nullptr,
                 EventSounds* sounds = nullptr);
    ~BattleWindow() override;

    // Drawing
    // Redraws a cell as the logic holds it; a marker on that cell goes. The marks follow the logic's.
    void DrawCell(int col, int row);
    // Shows the marker on a cell until the cell is redrawn or the window repainted.
    void DrawMarker(int col, int row);
    // Redraws the whole board, without the marker.
    void Repaint();
    void SetBallIcon(int colour);
    void ShowStatus(const QString& text);
    [[nodiscard]] std::optional<Cell> marker() const { return marker_cell; }
    [[nodiscard]] QString status() const;

    // Announcing
    // The title tells the moment until the status line changes to anything else; a window that is not the
    // active one asks for the player's attention; the sound plays when the player chose it.
    void Announce(BattleAnnouncement what);
    // How often the window has asked for attention (the window system shows it, but does not report it).
    [[nodiscard]] int attention_requests() const { return attention_count; }

    // Preferences
    void SetColourAid(bool on);

    // Ending
    // Tells the logic how the window closes (once), hides it and emits Closed. Later calls do nothing.
    void Close(BattleClose how);
    [[nodiscard]] bool closed() const { return events == nullptr; }

    // Paints the cells that meet `area` (board pixels) with their marks, lower rows first; no marker. The
    // painter's transform maps board pixels to its device. Public for the benchmark.
    void Paint(QPainter& painter, const QRect& area) const;

    // The client area the window opens with: the template's size, grown where needed to hold the whole board.
    [[nodiscard]] static QSize ClientSize(const QFont& font);
    // Board pixels to window pixels at the window's present size.
    [[nodiscard]] QTransform BoardTransform() const;

Q_SIGNALS:
    void Closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Keyboard play: points at the nearest lane in `direction` (-1 left, +1 right) that has a landing spot.
    void StepMarker(int direction);
    [[nodiscard]] static QRect CellRect(int col, int row);
    // Schedules the window pixels of a board cell for repainting.
    void UpdateCell(int col, int row);
    // The board pixel under a window point.
    [[nodiscard]] QPoint BoardPoint(QPointF at) const;
    // What a screen reader says of the board: the state, the own colour, the marker's lane.
    void Describe();

    BattleEvents* events; // null once the window has closed
    BoardIcons& icons;
    Preferences* preferences;
    EventSounds* sounds;
    DialogControls controls;
    QSize first_size;
    std::optional<Cell> marker_cell;
    BoardMarks shown_marks;
    int own_colour = -1;
    QString announced; // the status text the title carries, if any
    int attention_count = 0;
};

} // namespace pyrandel
