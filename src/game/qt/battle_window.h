#pragma once
// The battle window (template 112): the board drawn from the match logic's cells with the geometry of
// board_geometry.h, the marker where the player's ball would land, the status line, and the player's input.
//
// Input goes to BattleEvents as lanes: the pointer's x picks the lane, a left click below y = 48 drops, and
// the keyboard plays too (Left and Right move the marker to the nearest lane with a landing spot, Space or
// Down drops there, H asks the logic for a hint). Enter, Escape and the close box end the window as the player's own leaving;
// Close(PROGRAM) is the program's request. Every way of closing calls CloseRequested once and then emits
// Closed.
//
// Window thread only. The window reads the cells only while it is open; once closed it never calls the logic.

#include "game/battle_events.h"
#include "game/qt/dialog_controls.h"

#include <QWidget>

#include <optional>

namespace pyrandel {

class BoardIcons;

class BattleWindow final : public QWidget {
    Q_OBJECT

public:
    BattleWindow(BattleEvents& events, const BoardIcons& icons);
    ~BattleWindow() override;

    // Drawing
    // Redraws a cell as the logic holds it; a marker on that cell goes.
    void DrawCell(int col, int row);
    // Shows the marker on a cell until the cell is redrawn or the window repainted.
    void DrawMarker(int col, int row);
    // Redraws the whole board, without the marker.
    void Repaint();
    void SetBallIcon(int colour);
    void ShowStatus(const QString& text);
    [[nodiscard]] std::optional<Cell> marker() const { return marker_cell; }
    [[nodiscard]] QString status() const;

    // Ending
    // Tells the logic how the window closes (once), hides it and emits Closed. Later calls do nothing.
    void Close(BattleClose how);
    [[nodiscard]] bool closed() const { return events == nullptr; }

    // Paints the cells that meet `area` (client pixels), lower rows first; no marker. Public for the
    // benchmark.
    void Paint(QPainter& painter, const QRect& area) const;

    // The client area the window opens with: the template's size, grown where needed to hold the whole board.
    [[nodiscard]] static QSize ClientSize(const QFont& font);

Q_SIGNALS:
    void Closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Keyboard play: points at the nearest lane in `direction` (-1 left, +1 right) that has a landing spot.
    void StepMarker(int direction);
    [[nodiscard]] static QRect CellRect(int col, int row);

    BattleEvents* events; // null once the window has closed
    const BoardIcons& icons;
    DialogControls controls;
    std::optional<Cell> marker_cell;
};

} // namespace pyrandel
