#pragma once
// The lobby window's dialog template, control by control, in template order (which is also the Tab order).
// Unlike the original, the two mode toggles take the Tab key too: without them a keyboard user could neither
// host nor join.
// Positions and sizes are dialog units of the dialog font (9 point); DialogControls converts them to pixels.
// The ids are the ones the lobby logic works with.

#include "app/lobby_view.h"
#include "bot/computer_player.h"
#include "game/qt/dialog_template.h"
#include "text/texts.h"

#include <array>

namespace pyrandel::templates {

using enum ControlKind;
using enum Visibility;

// Lobby window, template 101: a fixed-size window centred on the screen.
// clang-format off
inline constexpr std::array<ControlTemplate, 27> LOBBY_CONTROLS = {{
    {.id = CONTROL_QUIT, .kind = PUSH_BUTTON, .lines = {texts::LABEL_QUIT}, .rect = {214, 7, 50, 14},
     .tab_stop = TabStop::YES, .default_button = DefaultButton::YES},
    {.id = CONTROL_CHAT_LOG, .kind = CHAT_LOG, .rect = {7, 98, 163, 56}, .tab_stop = TabStop::YES},
    {.id = CONTROL_CHAT_INPUT, .kind = CHAT_INPUT, .rect = {7, 158, 163, 14}, .tab_stop = TabStop::YES},
    {.id = CONTROL_SAY, .kind = PUSH_BUTTON, .lines = {texts::LABEL_SAY}, .rect = {171, 158, 37, 14},
     .tab_stop = TabStop::YES},
    {.id = CONTROL_ADDRESS, .kind = LINE_EDIT, .rect = {194, 66, 70, 14}, .tab_stop = TabStop::YES},
    {.id = CONTROL_CONNECT, .kind = TOGGLE_BUTTON, .lines = {texts::LABEL_CONNECT},
     .rect = {194, 45, 70, 16}, .tab_stop = TabStop::YES},
    {.kind = RIGHT_LABEL, .lines = {texts::LABEL_SERVER_IP}, .rect = {152, 69, 39, 8}},
    {.id = CONTROL_HOST, .kind = TOGGLE_BUTTON, .lines = {texts::LABEL_BECOME_SERVER},
     .rect = {194, 27, 70, 16}, .tab_stop = TabStop::YES},
    {.id = CONTROL_PARTICIPANTS, .kind = LIST, .rect = {7, 28, 69, 52}, .tab_stop = TabStop::YES},
    {.id = CONTROL_MATCH, .kind = PUSH_BUTTON, .lines = {texts::LABEL_MATCH}, .rect = {78, 21, 6, 17},
     .visibility = HIDDEN, .tab_stop = TabStop::YES},
    {.kind = LABEL, .lines = {texts::LABEL_PARTICIPANTS_1, texts::LABEL_PARTICIPANTS_2},
     .rect = {7, 7, 54, 16}},
    {.id = CONTROL_NAME, .kind = LINE_EDIT, .rect = {199, 86, 65, 14}, .tab_stop = TabStop::YES},
    {.kind = RIGHT_LABEL, .lines = {texts::LABEL_YOUR_NAME}, .rect = {169, 88, 27, 8}},
    {.kind = ICON, .rect = {178, 116, 20, 20}},
    {.kind = LABEL, .lines = {texts::LABEL_PRODUCT}, .rect = {202, 114, 55, 8}},
    {.kind = LABEL, .lines = {texts::LABEL_VERSION}, .rect = {208, 122, 48, 8}},
    {.kind = GROUP_BOX, .lines = {texts::LABEL_VERSION_INFO}, .rect = {173, 101, 91, 47}},
    {.id = CONTROL_WATCH, .kind = PUSH_BUTTON, .lines = {texts::LABEL_WATCH}, .rect = {78, 63, 6, 16},
     .visibility = HIDDEN, .tab_stop = TabStop::YES},
    {.id = CONTROL_STATUS, .kind = LABEL, .lines = {texts::STATUS_NOT_CONNECTED}, .rect = {7, 85, 8, 10},
     .visibility = HIDDEN},
    {.id = CONTROL_END_MATCH, .kind = PUSH_BUTTON, .lines = {texts::LABEL_END_MATCH}, .rect = {79, 43, 6, 17},
     .visibility = HIDDEN, .state = Availability::DISABLED, .tab_stop = TabStop::YES},
    {.kind = LABEL, .lines = {texts::LABEL_LOBBY}, .rect = {69, 7, 39, 9}},
    {.id = CONTROL_START, .kind = PUSH_BUTTON, .lines = {texts::LABEL_START_MATCH}, .rect = {7, 83, 50, 14},
     .tab_stop = TabStop::YES},
    {.kind = LABEL, .lines = {texts::LABEL_RULES_1, texts::LABEL_RULES_2, texts::LABEL_RULES_3},
     .rect = {81, 20, 108, 45}},
    {.kind = LABEL, .lines = {texts::LABEL_START_HINT}, .rect = {60, 85, 99, 8}},
    // Added after the original controls, so theirs keep their places and names: the computer player's button
    // and its level in the free space right of "発言"; enabled by the logic while hosting.
    {.id = CONTROL_ADD_COMPUTER, .kind = PUSH_BUTTON, .lines = {texts::LABEL_ADD_COMPUTER},
     .rect = {211, 158, 29, 14}, .state = Availability::DISABLED, .tab_stop = TabStop::YES},
    {.id = CONTROL_COMPUTER_LEVEL, .kind = DROP_DOWN, .rect = {242, 158, 22, 14}, .tab_stop = TabStop::YES,
     .numbers = {Engine::MIN_LEVEL, Engine::MAX_LEVEL, DEFAULT_COMPUTER_LEVEL}},
    // The level list's label, in the strip between the version frame and the chat row; a screen reader
    // names the list by it.
    {.kind = LABEL, .lines = {texts::ACCESS_LEVEL}, .rect = {211, 149, 53, 8}},
}};
// clang-format on

inline constexpr DialogTemplate LOBBY{101, texts::CAPTION_LOBBY, 271, 179, 9, LOBBY_CONTROLS};

} // namespace pyrandel::templates
