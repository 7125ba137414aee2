#include "game/qt/dialog_units.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

#include <cmath>

namespace pyrandel {

namespace {

// The sample the template's own system averages for its dialog base unit.
constexpr const char* WIDTH_SAMPLE = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

[[nodiscard]] int Scale(int units, int base, int divisor)
{
    return static_cast<int>(std::lround(static_cast<double>(units) * base / divisor));
}

} // namespace

QFont DialogFont(int points)
{
    const QStringList families = QFontDatabase::families();
    QString family = QStringLiteral("IPAPGothic");
    for (const QString& wanted : {QStringLiteral(u"ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic")}) {
        if (families.contains(wanted)) {
            family = wanted;
            break;
        }
    }
    QFont font(family, points);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    base_x = (metrics.horizontalAdvance(QLatin1String(WIDTH_SAMPLE)) / 26 + 1) / 2;
    base_y = metrics.height();
}

QRect DialogUnits::ToPixels(const DialogRect& rect) const
{
    return {Scale(rect.x, base_x, 4), Scale(rect.y, base_y, 8), Scale(rect.width, base_x, 4),
            Scale(rect.height, base_y, 8)};
}

QSize DialogUnits::ToPixels(int width, int height) const
{
    return {Scale(width, base_x, 4), Scale(height, base_y, 8)};
}

} // namespace pyrandel
