#include "app/qt/lobby_window.h"

#include "game/qt/board_icons.h"
#include "game/qt/cp932_string.h"
#include "game/qt/dialog_units.h"
#include "lobby_template.h"
#include "text/texts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace pyrandel {

namespace {

// The key codes the chat filter is told, as the template's own system numbers its keys (13 for Enter).
[[nodiscard]] int KeyCode(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    default:
        break;
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
        return key;
    }
    return 0;
}

constexpr std::array<int, 3> EDIT_FIELDS = {CONTROL_CHAT_INPUT, CONTROL_ADDRESS, CONTROL_NAME};
// Every button reports its id, the hidden ones too (the logic decides which do something), and the two mode
// toggles after their new state is set.
constexpr std::array<int, 9> BUTTONS = {CONTROL_QUIT,    CONTROL_SAY,   CONTROL_MATCH,
                                        CONTROL_WATCH,   CONTROL_START, CONTROL_END_MATCH,
                                        CONTROL_CONNECT, CONTROL_HOST,  CONTROL_ADD_COMPUTER};

// What a screen reader says of each control that takes the focus. A control without a name of its own here is
// named by its label (`label`, a template position) or by its own text (buttons).
struct Spoken {
    int id;
    std::string_view name;
    std::string_view description;
    int label = -1;
};

constexpr std::array<Spoken, 12> SPOKEN = {{
    {CONTROL_QUIT, {}, texts::DESCRIBE_QUIT},
    {CONTROL_CHAT_LOG, texts::ACCESS_CHAT_LOG, texts::DESCRIBE_CHAT_LOG},
    {CONTROL_CHAT_INPUT, texts::ACCESS_CHAT_INPUT, texts::DESCRIBE_CHAT_INPUT},
    {CONTROL_SAY, {}, texts::DESCRIBE_SAY},
    {CONTROL_ADDRESS, {}, texts::DESCRIBE_ADDRESS, 6},
    {CONTROL_CONNECT, {}, texts::DESCRIBE_CONNECT},
    {CONTROL_HOST, {}, texts::DESCRIBE_HOST},
    {CONTROL_PARTICIPANTS, {}, texts::DESCRIBE_PARTICIPANTS, 10},
    {CONTROL_NAME, {}, texts::DESCRIBE_NAME, 12},
    {CONTROL_START, {}, texts::DESCRIBE_START, 23},
    {CONTROL_ADD_COMPUTER, {}, texts::DESCRIBE_ADD_COMPUTER},
    {CONTROL_COMPUTER_LEVEL, texts::ACCESS_LEVEL, texts::DESCRIBE_LEVEL, 26},
}};

// A label's text as a name: one line, without the colon that ends some labels.
[[nodiscard]] QString NameOf(const QLabel& label)
{
    QString text = label.text();
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    while (text.endsWith(QChar(0xFF1A)) || text.endsWith(QLatin1Char(':'))) {
        text.chop(1);
    }
    return text;
}

} // namespace

void LobbyWindow::MakeSpoken()
{
    for (const Spoken& spoken : SPOKEN) {
        QWidget* control = Control(spoken.id);
        if (control == nullptr) {
            continue;
        }
        QString name = FromCp932(spoken.name);
        if (spoken.label >= 0) {
            if (auto* label = findChild<QLabel*>(QStringLiteral("static%1").arg(spoken.label))) {
                label->setBuddy(control);
                name = NameOf(*label);
            }
        }
        if (auto* button = qobject_cast<QPushButton*>(control); button != nullptr && name.isEmpty()) {
            name = button->text();
        }
        control->setAccessibleName(name);
        control->setAccessibleDescription(FromCp932(spoken.description));
    }
    if (QWidget* level = Control(CONTROL_COMPUTER_LEVEL)) {
        level->setToolTip(FromCp932(texts::DESCRIBE_LEVEL));
    }
}

LobbyWindow::LobbyWindow()
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      controls(templates::LOBBY, *this)
{
    setWindowIcon(ProgramIcon());
    setFixedSize(DialogUnits(font()).ToPixels(templates::LOBBY.width, templates::LOBBY.height));
    setSizeGripEnabled(false);
    MakeSpoken();

    for (const int id : BUTTONS) {
        if (auto* button = controls.Get<QPushButton>(id)) {
            connect(button, &QPushButton::clicked, this, [this, id] { Q_EMIT Command(id); });
        }
    }
    for (const int id : EDIT_FIELDS) {
        if (auto* edit = controls.Get<QLineEdit>(id)) {
            connect(edit, &QLineEdit::textEdited, this,
                    [this, id](const QString& text) { Q_EMIT FieldEdited(id, text); });
        }
    }
    if (QLineEdit* input = Field(CONTROL_CHAT_INPUT)) {
        input->installEventFilter(this);
    }
    // The level list reads to the logic like an edit field holding the chosen number.
    if (auto* level = controls.Get<QComboBox>(CONTROL_COMPUTER_LEVEL)) {
        connect(level, &QComboBox::currentTextChanged, this,
                [this](const QString& text) { Q_EMIT FieldEdited(CONTROL_COMPUTER_LEVEL, text); });
    }
}

LobbyWindow::~LobbyWindow()
{
    if (QLineEdit* input = Field(CONTROL_CHAT_INPUT)) {
        input->removeEventFilter(this);
    }
}

void LobbyWindow::SetChatFilter(ChatFilter filter)
{
    chat_filter = std::move(filter);
}

void LobbyWindow::ShowCentred()
{
    if (const QScreen* where = screen()) {
        const QRect area = where->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
}

QLineEdit* LobbyWindow::Field(int id) const
{
    return controls.Get<QLineEdit>(id);
}

QPlainTextEdit* LobbyWindow::ChatLog() const
{
    return controls.Get<QPlainTextEdit>(CONTROL_CHAT_LOG);
}

QListWidget* LobbyWindow::Participants() const
{
    return controls.Get<QListWidget>(CONTROL_PARTICIPANTS);
}

void LobbyWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ReportKey(COMMAND_OK, HeldKey::ENTER);
        break;
    case Qt::Key_Escape:
        ReportKey(COMMAND_CANCEL, HeldKey::ESCAPE);
        break;
    default:
        QDialog::keyPressEvent(event);
    }
}

void LobbyWindow::ReportKey(int id, HeldKey key)
{
    pressing = key;
    Q_EMIT Command(id);
    pressing.reset();
}

void LobbyWindow::closeEvent(QCloseEvent* event)
{
    // The lobby ends only when the logic says so (EndLobby); the close box is a request like the quit button.
    event->ignore();
    Q_EMIT Command(COMMAND_CANCEL);
}

bool LobbyWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Field(CONTROL_CHAT_INPUT) && FilterChatKey(event)) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool LobbyWindow::FilterChatKey(QEvent* event)
{
    if (!chat_filter || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const int code = KeyCode(key->key());
    if (event->type() == QEvent::KeyRelease) {
        return chat_filter(KeyMessage::KEY_UP, code);
    }
    // One key press is both the key going down and, for a key that types, the character it types.
    bool consumed = chat_filter(KeyMessage::KEY_DOWN, code);
    const QString typed = key->text();
    if (!typed.isEmpty()) {
        consumed = chat_filter(KeyMessage::CHARACTER, typed.front().unicode()) || consumed;
    }
    return consumed;
}

} // namespace pyrandel
