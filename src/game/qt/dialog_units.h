#pragma once
// Dialog units: the templates' measure, converted to pixels from the dialog font as the templates' own system
// does it: x * average character width / 4, y * character height / 8, rounded to the nearest pixel.

#include "game/qt/dialog_template.h"

#include <QFont>
#include <QRect>
#include <QSize>

namespace pyrandel {

// The dialog font: the template's "ＭＳ Ｐゴシック" where the system has it, else IPA's proportional Gothic.
[[nodiscard]] QFont DialogFont(int points);

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    [[nodiscard]] QRect ToPixels(const DialogRect& rect) const;
    [[nodiscard]] QSize ToPixels(int width, int height) const;
    [[nodiscard]] int base_width() const { return base_x; }
    [[nodiscard]] int base_height() const { return base_y; }

private:
    int base_x = 0; // average width of the Latin letters, rounded as the templates' system rounds it
    int base_y = 0; // character height
};

} // namespace pyrandel
