#pragma once
// The widgets of one dialog template on a window: each control at its place in pixels, with its id as object
// name ("ctl1008"; "static<n>" for the n-th template entry without an id), its text, visibility, enabled
// state and Tab order, and the window's font and caption. The window's client area size is left to the
// window.

#include "game/qt/dialog_template.h"

#include <QString>

#include <map>
#include <memory>
#include <vector>

class QWidget;

namespace pyrandel {

[[nodiscard]] QString ControlName(const ControlTemplate& control, int position);

class DialogControls {
public:
    DialogControls(const DialogTemplate& dialog, QWidget& window);
    // Forgets the ids first, so that nothing asking for a control while the widgets go finds one half destroyed.
    ~DialogControls();
    DialogControls(const DialogControls&) = delete;
    DialogControls& operator=(const DialogControls&) = delete;

    // The control with `id`, or null when the template has none.
    [[nodiscard]] QWidget* Find(int id) const;
    template <typename Widget>
    [[nodiscard]] Widget* Get(int id) const
    {
        return qobject_cast<Widget*>(Find(id));
    }

private:
    // Destroyed before the window's own destructor runs (last made, first gone), so each widget leaves its
    // parent cleanly.
    std::vector<std::unique_ptr<QWidget>> widgets;
    std::map<int, QWidget*> by_id;
};

} // namespace pyrandel
