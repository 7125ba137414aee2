#pragma once
// The six board pictures (four balls, the hole, the marker) at any device pixel ratio. The committed pictures
// serve ratios 1 and 2 as they always have; every other size, and the colour-blind aid's balls, are painted by
// the icon painter the first time a size is asked for and kept, so painting never scales a picture.
// The resources must be registered first (InitViewResources).

#include "game/qt/icon_painter.h"

#include <QIcon>
#include <QPixmap>
#include <QString>

#include <map>
#include <tuple>

namespace pyrandel {

class BoardIcons {
public:
    BoardIcons();

    // Pictures for a painter whose 32 board pixels cover 32 * `pixel_ratio` device pixels (the screen's ratio
    // times the board's scale). A colour outside 0..3 shows the hole.
    [[nodiscard]] const QPixmap& Ball(int colour, qreal pixel_ratio) const;
    [[nodiscard]] const QPixmap& Hole(qreal pixel_ratio) const;
    [[nodiscard]] const QPixmap& Marker(qreal pixel_ratio) const;
    // A window icon of the ball of `colour` (0..3), both committed sizes.
    [[nodiscard]] QIcon BallIcon(int colour) const;
    // Whether every committed picture was found in the resources.
    [[nodiscard]] bool complete() const;

    // The colour-blind aid: the balls in the style from now on.
    void SetBallStyle(BallStyle style) { ball_style = style; }
    [[nodiscard]] BallStyle ball_style_now() const { return ball_style; }

private:
    [[nodiscard]] const QPixmap& Picture(IconId id, qreal pixel_ratio) const;

    BallStyle ball_style = BallStyle::PLAIN;
    // By icon, style and edge length in device pixels; filled on demand on the window thread.
    mutable std::map<std::tuple<IconId, BallStyle, int>, QPixmap> pictures;
};

// The program icon (four balls), both sizes.
[[nodiscard]] QIcon ProgramIcon();

} // namespace pyrandel
