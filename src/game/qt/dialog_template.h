#pragma once
// A dialog template as data: the window's caption and size and each control's id, kind, text and place, all
// in dialog units. The program's two templates are res/lobby_template.h and res/battle_template.h; DialogControls
// turns one into widgets. Texts are code page 932 bytes from the text catalogue, converted when the widgets are
// made.

#include <array>
#include <span>
#include <string_view>

namespace pyrandel {

inline constexpr int NO_ID = -1;

enum class ControlKind {
    PUSH_BUTTON,
    TOGGLE_BUTTON, // a check box drawn as a push button, toggling itself
    LINE_EDIT,     // one line, scrolls sideways
    CHAT_INPUT,    // one row that takes the Enter key (the lobby's filter decides what Enter does)
    CHAT_LOG,      // multi-line, read-only, vertical scroll bar
    LIST,          // list box with a vertical scroll bar
    LABEL,         // static text, left-aligned, wrapping
    RIGHT_LABEL,   // static text, right-aligned
    ICON,          // static picture of the program icon
    GROUP_BOX,
    DROP_DOWN, // a drop-down list of the whole numbers in the control's `numbers`
};

enum class Visibility { SHOWN, HIDDEN };
enum class Availability { ENABLED, DISABLED };
enum class TabStop { NO, YES };
enum class DefaultButton { NO, YES };

struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct NumberRange {
    int minimum = 0;
    int maximum = 0;
    int initial = 0;
};

struct ControlTemplate {
    int id = NO_ID;
    ControlKind kind = ControlKind::LABEL;
    // One entry per line of the control's text; unused entries stay empty.
    std::array<std::string_view, 3> lines{};
    DialogRect rect;
    Visibility visibility = Visibility::SHOWN;
    Availability state = Availability::ENABLED;
    TabStop tab_stop = TabStop::NO;
    DefaultButton default_button = DefaultButton::NO;
    NumberRange numbers{}; // DROP_DOWN only
};

struct DialogTemplate {
    int resource_id = 0;
    std::string_view caption;
    int width = 0; // client area, dialog units
    int height = 0;
    int font_points = 9;
    std::span<const ControlTemplate> controls; // template order, which is also the Tab order
};

} // namespace pyrandel
