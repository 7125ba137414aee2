#pragma once
// The lobby window (template 101) as a widget: its controls, its keys and its close box, reported as
// commands. It decides nothing; QtLobbyView hands the commands to the lobby logic.
//
// Commands: each push button reports its id when clicked (a toggle after its new state is set); Enter outside
// the chat input and outside a focused button reports 1 (OK), Escape and the close box report 2 (Cancel).
// Enter never clicks the default button "終了" from an edit field: typing a name and pressing Enter must not
// quit the game. The chat input's keyboard messages go to the chat filter first.

#include "app/lobby_events.h"
#include "app/lobby_view.h"
#include "game/qt/dialog_controls.h"

#include <QDialog>

#include <functional>
#include <optional>

class QKeyEvent;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace pyrandel {

class LobbyWindow final : public QDialog {
    Q_OBJECT

public:
    // Decides whether a keyboard message of the chat input is consumed (true) or reaches the input.
    using ChatFilter = std::function<bool(KeyMessage message, int code)>;

    LobbyWindow();
    ~LobbyWindow() override;

    void SetChatFilter(ChatFilter filter);
    // Centred on the screen, as the template asks.
    void ShowCentred();

    // Controls
    [[nodiscard]] QWidget* Control(int id) const { return controls.Find(id); }
    [[nodiscard]] QLineEdit* Field(int id) const;
    [[nodiscard]] QPlainTextEdit* ChatLog() const;
    [[nodiscard]] QListWidget* Participants() const;

    // The key whose press is being reported as a command now, if any.
    [[nodiscard]] std::optional<HeldKey> pressed_key() const { return pressing; }

Q_SIGNALS:
    void Command(int id);
    // The player changed an edit field's text (not the program).
    void FieldEdited(int id, const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Names and descriptions for screen readers, and the labels tied to their fields.
    void MakeSpoken();
    [[nodiscard]] bool FilterChatKey(QEvent* event);
    void ReportKey(int id, HeldKey key);

    DialogControls controls;
    ChatFilter chat_filter;
    std::optional<HeldKey> pressing;
};

} // namespace pyrandel
