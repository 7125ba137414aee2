#include "game/qt/board_icons.h"

#include <algorithm>
#include <cmath>

namespace pyrandel {

namespace {

constexpr int DESIGN_PIXELS = 32;
constexpr int SMALLEST_PIXELS = 16;

// Each committed picture comes in two sizes: the design's 32 pixels, and 64 for a device pixel ratio of 2.
enum class PictureSize { NORMAL, DOUBLE };

[[nodiscard]] QString ResourcePath(const QString& name, PictureSize size)
{
    return QStringLiteral(":/icons/") + name +
           (size == PictureSize::DOUBLE ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
}

[[nodiscard]] QIcon IconOf(const QString& name)
{
    QIcon icon;
    icon.addFile(ResourcePath(name, PictureSize::NORMAL), QSize(DESIGN_PIXELS, DESIGN_PIXELS));
    icon.addFile(ResourcePath(name, PictureSize::DOUBLE), QSize(2 * DESIGN_PIXELS, 2 * DESIGN_PIXELS));
    return icon;
}

[[nodiscard]] bool IsBall(IconId id)
{
    return id == IconId::BALL_BLUE || id == IconId::BALL_RED || id == IconId::BALL_YELLOW || id == IconId::BALL_GREEN;
}

} // namespace

BoardIcons::BoardIcons()
{
    // The committed pictures, exactly the pixels the board has always shown at ratios 1 and 2.
    for (const IconId id : ALL_ICONS) {
        for (const int size : {DESIGN_PIXELS, 2 * DESIGN_PIXELS}) {
            QPixmap picture(
                ResourcePath(IconFileName(id), size == DESIGN_PIXELS ? PictureSize::NORMAL : PictureSize::DOUBLE));
            picture.setDevicePixelRatio(static_cast<qreal>(size) / DESIGN_PIXELS);
            pictures.emplace(std::tuple{id, BallStyle::PLAIN, size}, std::move(picture));
        }
    }
}

const QPixmap& BoardIcons::Picture(IconId id, qreal pixel_ratio) const
{
    const int size = std::max(SMALLEST_PIXELS, static_cast<int>(std::lround(DESIGN_PIXELS * pixel_ratio)));
    const BallStyle style = IsBall(id) ? ball_style : BallStyle::PLAIN;
    const auto key = std::tuple{id, style, size};
    auto found = pictures.find(key);
    if (found == pictures.end()) {
        QPixmap painted = QPixmap::fromImage(IconPainter::Paint(id, size, style));
        painted.setDevicePixelRatio(static_cast<qreal>(size) / DESIGN_PIXELS);
        found = pictures.emplace(key, std::move(painted)).first;
    }
    return found->second;
}

const QPixmap& BoardIcons::Ball(int colour, qreal pixel_ratio) const
{
    if (colour < 0 || colour > 3) {
        return Hole(pixel_ratio);
    }
    return Picture(pyrandel::BallIcon(colour), pixel_ratio);
}

const QPixmap& BoardIcons::Hole(qreal pixel_ratio) const
{
    return Picture(IconId::HOLE, pixel_ratio);
}

const QPixmap& BoardIcons::Marker(qreal pixel_ratio) const
{
    return Picture(IconId::MARKER, pixel_ratio);
}

QIcon BoardIcons::BallIcon(int colour) const
{
    return IconOf(IconFileName(pyrandel::BallIcon(colour)));
}

bool BoardIcons::complete() const
{
    return std::all_of(pictures.begin(), pictures.end(), [](const auto& entry) {
        const auto& [key, picture] = entry;
        const int size = std::get<2>(key);
        return (size != DESIGN_PIXELS && size != 2 * DESIGN_PIXELS) || !picture.isNull();
    });
}

QIcon ProgramIcon()
{
    return IconOf(IconFileName(IconId::PROGRAM));
}

} // namespace pyrandel
