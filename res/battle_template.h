#pragma once
// The battle window's dialog template. Positions and sizes are dialog units of the dialog font (9 point);
// DialogControls converts them to pixels. The board itself is drawn at fixed pixel positions
// (board_geometry.h).

#include "game/qt/dialog_template.h"
#include "text/texts.h"

#include <array>

namespace pyrandel::templates {

inline constexpr int BATTLE_STATUS = 1020; // the battle window's half of the status line

// Battle window, template 112: a sizable window with minimise and maximise boxes.
inline constexpr std::array<ControlTemplate, 2> BATTLE_CONTROLS = {{
    {.kind = ControlKind::LABEL, .lines = {texts::LABEL_BATTLE_RULES}, .rect = {102, 0, 209, 8}},
    {.id = BATTLE_STATUS, .kind = ControlKind::LABEL, .lines = {texts::STATUS_WAITING}, .rect = {4, 1, 93, 8}},
}};

inline constexpr DialogTemplate BATTLE{112, texts::CAPTION_BATTLE, 318, 233, 9, BATTLE_CONTROLS};

} // namespace pyrandel::templates
