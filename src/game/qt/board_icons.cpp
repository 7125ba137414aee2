#include "game/qt/board_icons.h"

#include "game/qt/icon_painter.h"

namespace pyrandel {

namespace {

// Each picture comes in two sizes: 32 pixels, and 64 for a device pixel ratio of 2.
enum class PictureSize { NORMAL, DOUBLE };

[[nodiscard]] QString ResourcePath(const QString& name, PictureSize size)
{
    return QStringLiteral(":/icons/") + name +
           (size == PictureSize::DOUBLE ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
}

[[nodiscard]] QIcon IconOf(const QString& name)
{
    QIcon icon;
    icon.addFile(ResourcePath(name, PictureSize::NORMAL), QSize(32, 32));
    icon.addFile(ResourcePath(name, PictureSize::DOUBLE), QSize(64, 64));
    return icon;
}

} // namespace

BoardIcons::BoardIcons()
    : balls{Load(IconFileName(IconId::BALL_BLUE)), Load(IconFileName(IconId::BALL_RED)),
            Load(IconFileName(IconId::BALL_YELLOW)), Load(IconFileName(IconId::BALL_GREEN))},
      hole(Load(IconFileName(IconId::HOLE))), marker(Load(IconFileName(IconId::MARKER)))
{
}

BoardIcons::Picture BoardIcons::Load(const QString& name)
{
    Picture picture{QPixmap(ResourcePath(name, PictureSize::NORMAL)),
                    QPixmap(ResourcePath(name, PictureSize::DOUBLE))};
    picture.double_size.setDevicePixelRatio(2.0);
    return picture;
}

const QPixmap& BoardIcons::Ball(int colour, qreal pixel_ratio) const
{
    if (colour < 0 || colour >= static_cast<int>(balls.size())) {
        return hole.For(pixel_ratio);
    }
    return balls[static_cast<std::size_t>(colour)].For(pixel_ratio);
}

const QPixmap& BoardIcons::Hole(qreal pixel_ratio) const { return hole.For(pixel_ratio); }

const QPixmap& BoardIcons::Marker(qreal pixel_ratio) const { return marker.For(pixel_ratio); }

QIcon BoardIcons::BallIcon(int colour) const { return IconOf(IconFileName(pyrandel::BallIcon(colour))); }

bool BoardIcons::complete() const
{
    bool all = !hole.normal.isNull() && !hole.double_size.isNull() && !marker.normal.isNull() &&
               !marker.double_size.isNull();
    for (const Picture& ball : balls) {
        all = all && !ball.normal.isNull() && !ball.double_size.isNull();
    }
    return all;
}

QIcon ProgramIcon() { return IconOf(IconFileName(IconId::PROGRAM)); }

} // namespace pyrandel
