#pragma once
// The six board pictures (four balls, the hole, the marker), loaded once from the program's resources in both
// sizes, 32 pixels and 64 pixels for a device pixel ratio of 2, so painting never scales a picture.
// The resources must be registered first (InitViewResources).

#include "game/grid.h"

#include <QIcon>
#include <QPixmap>
#include <QString>

#include <array>

namespace pyrandel {

class BoardIcons {
public:
    BoardIcons();

    // Pictures for a painter on a device of `pixel_ratio` (1 or more). A colour outside 0..3 shows the hole.
    [[nodiscard]] const QPixmap& Ball(int colour, qreal pixel_ratio) const;
    [[nodiscard]] const QPixmap& Hole(qreal pixel_ratio) const;
    [[nodiscard]] const QPixmap& Marker(qreal pixel_ratio) const;
    // A window icon of the ball of `colour` (0..3), both sizes.
    [[nodiscard]] QIcon BallIcon(int colour) const;
    // Whether every picture was found in the resources.
    [[nodiscard]] bool complete() const;

private:
    struct Picture {
        QPixmap normal;
        QPixmap double_size;
        [[nodiscard]] const QPixmap& For(qreal pixel_ratio) const
        {
            return pixel_ratio > 1.0 ? double_size : normal;
        }
    };
    [[nodiscard]] static Picture Load(const QString& name);

    std::array<Picture, COLOURS> balls; // by colour: blue, red, yellow, green
    Picture hole;
    Picture marker;
};

// The program icon (four balls), both sizes.
[[nodiscard]] QIcon ProgramIcon();

} // namespace pyrandel
