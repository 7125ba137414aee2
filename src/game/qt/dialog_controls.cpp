#include "game/qt/dialog_controls.h"

#include "game/qt/cp932_string.h"
#include "game/qt/dialog_units.h"

#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

namespace pyrandel {

namespace {

[[nodiscard]] QString TextOf(const ControlTemplate& control)
{
    QStringList lines;
    for (const std::string_view line : control.lines) {
        if (!line.empty()) {
            lines << FromCp932(line);
        }
    }
    return lines.join(QLatin1Char('\n'));
}

[[nodiscard]] std::unique_ptr<QWidget> MakeLabel(const ControlTemplate& control, QWidget& window,
                                                 Qt::Alignment alignment)
{
    auto label = std::make_unique<QLabel>(TextOf(control), &window);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setWordWrap(alignment == Qt::AlignLeft);
    // Static texts of a dialog never take the pointer: the window under them sees it (the battle window
    // follows the pointer across its top line too).
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

[[nodiscard]] std::unique_ptr<QWidget> MakeControl(const ControlTemplate& control, QWidget& window)
{
    switch (control.kind) {
    case ControlKind::PUSH_BUTTON: {
        auto button = std::make_unique<QPushButton>(TextOf(control), &window);
        button->setDefault(control.default_button == DefaultButton::YES);
        return button;
    }
    case ControlKind::TOGGLE_BUTTON: {
        auto button = std::make_unique<QPushButton>(TextOf(control), &window);
        button->setCheckable(true);
        button->setAutoDefault(false);
        return button;
    }
    case ControlKind::LINE_EDIT:
    case ControlKind::CHAT_INPUT:
        return std::make_unique<QLineEdit>(&window);
    case ControlKind::CHAT_LOG: {
        auto log = std::make_unique<QPlainTextEdit>(&window);
        log->setReadOnly(true);
        log->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        log->setUndoRedoEnabled(false);
        return log;
    }
    case ControlKind::LIST: {
        auto list = std::make_unique<QListWidget>(&window);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        return list;
    }
    case ControlKind::LABEL:
        return MakeLabel(control, window, Qt::AlignLeft);
    case ControlKind::RIGHT_LABEL:
        return MakeLabel(control, window, Qt::AlignRight);
    case ControlKind::ICON: {
        auto picture = std::make_unique<QLabel>(&window);
        QIcon icon(QStringLiteral(":/icons/program.png"));
        icon.addFile(QStringLiteral(":/icons/program@2x.png"));
        picture->setPixmap(icon.pixmap(QSize(32, 32)));
        picture->setAttribute(Qt::WA_TransparentForMouseEvents);
        return picture;
    }
    case ControlKind::GROUP_BOX:
        return std::make_unique<QGroupBox>(TextOf(control), &window);
    case ControlKind::DROP_DOWN: {
        auto list = std::make_unique<QComboBox>(&window);
        for (int number = control.numbers.minimum; number <= control.numbers.maximum; ++number) {
            list->addItem(QString::number(number), number);
        }
        list->setCurrentIndex(list->findData(control.numbers.initial));
        return list;
    }
    }
    return std::make_unique<QWidget>(&window);
}

} // namespace

QString ControlName(const ControlTemplate& control, int position)
{
    return control.id == NO_ID ? QStringLiteral("static%1").arg(position) : QStringLiteral("ctl%1").arg(control.id);
}

DialogControls::DialogControls(const DialogTemplate& dialog, QWidget& window)
{
    window.setFont(DialogFont(dialog.font_points));
    window.setWindowTitle(FromCp932(dialog.caption));
    const DialogUnits units(window.font());

    QWidget* previous_stop = nullptr;
    int position = 0;
    for (const ControlTemplate& control : dialog.controls) {
        std::unique_ptr<QWidget> made = MakeControl(control, window);
        QWidget* widget = made.get();
        widgets.push_back(std::move(made));
        widget->setObjectName(ControlName(control, position++));
        QRect place = units.ToPixels(control.rect);
        if (control.kind == ControlKind::ICON) {
            // A picture control takes the size of its icon, not the template's.
            place.setSize(QSize(32, 32));
        }
        widget->setGeometry(place);
        widget->setEnabled(control.state == Availability::ENABLED);
        widget->setVisible(control.visibility == Visibility::SHOWN);
        if (control.tab_stop == TabStop::YES) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previous_stop != nullptr) {
                QWidget::setTabOrder(previous_stop, widget);
            }
            previous_stop = widget;
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }
        if (control.kind == ControlKind::GROUP_BOX) {
            // The frame stays behind the icon and texts it surrounds.
            widget->lower();
        }
        if (control.id != NO_ID) {
            by_id[control.id] = widget;
        }
    }
}

DialogControls::~DialogControls()
{
    by_id.clear();
    while (!widgets.empty()) {
        widgets.pop_back();
    }
}

QWidget* DialogControls::Find(int id) const
{
    const auto found = by_id.find(id);
    return found == by_id.end() ? nullptr : found->second;
}

} // namespace pyrandel
