#include "app/qt/qt_lobby_view.h"

#include "game/qt/battle_window.h"
#include "game/qt/cp932_string.h"
#include "text/texts.h"

#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QThread>

namespace pyrandel {

namespace {

void ScrollToEnd(QPlainTextEdit& log)
{
    QScrollBar* bar = log.verticalScrollBar();
    bar->setValue(bar->maximum());
}

} // namespace

QtLobbyView::QtLobbyView()
{
    window.SetChatFilter([this](KeyMessage message, int code) {
        return events != nullptr && events->FilterChatInput(message, code) == InputResult::CONSUMED;
    });
    connect(&window, &LobbyWindow::Command, this, [this](int id) {
        {
            const std::scoped_lock guard(lock);
            if (id == CONTROL_CONNECT || id == CONTROL_HOST) {
                // The logic reads the toggle's new state while handling its command.
                const auto* button = qobject_cast<QPushButton*>(window.Control(id));
                toggles[id] = button != nullptr && button->isChecked();
            }
            held_key = window.pressed_key();
        }
        Dispatch(id, 0);
        const std::scoped_lock guard(lock);
        held_key.reset();
    });
    connect(&window, &LobbyWindow::FieldEdited, this, [this](int id, const QString& text) {
        std::string bytes = ToCp932(text);
        const std::scoped_lock guard(lock);
        field_texts[id] = std::move(bytes);
    });
    if (const auto* level = qobject_cast<QComboBox*>(window.Control(CONTROL_COMPUTER_LEVEL))) {
        const std::scoped_lock guard(lock);
        field_texts[CONTROL_COMPUTER_LEVEL] = ToCp932(level->currentText());
    }
}

QtLobbyView::~QtLobbyView()
{
    {
        const std::scoped_lock guard(lock);
        ending = true;
    }
    box_dismissed.notify_all();
}

// Window thread work

void QtLobbyView::Queue(std::function<void()> work)
{
    {
        const std::scoped_lock guard(queue_lock);
        queued.push_back(std::move(work));
    }
    // Only a bare wake-up crosses Qt's event queue; the work itself is handed over under our own lock.
    QMetaObject::invokeMethod(this, "RunQueued", Qt::QueuedConnection);
}

void QtLobbyView::RunQueued()
{
    // One wake-up may find several items, or none when an earlier one ran them; an item that runs a modal loop
    // lets the wake-ups delivered inside that loop run the items after it, in order.
    for (;;) {
        std::function<void()> work;
        {
            const std::scoped_lock guard(queue_lock);
            if (queued.empty()) {
                return;
            }
            work = std::move(queued.front());
            queued.pop_front();
        }
        work();
    }
}

// Lobby

int QtLobbyView::RunLobby(LobbyEvents& lobby_events)
{
    events = &lobby_events;
    events->OnInit();
    {
        const std::scoped_lock guard(lock);
        if (ending) {
            return 0;
        }
    }
    window.ShowCentred();
    if (shown_handler) {
        Queue(shown_handler);
    }
    QEventLoop loop;
    lobby_loop = &loop;
    const int result = loop.exec();
    lobby_loop = nullptr;
    window.hide();
    return result;
}

void QtLobbyView::EndLobby(int result)
{
    {
        const std::scoped_lock guard(lock);
        ending = true;
    }
    box_dismissed.notify_all();
    if (battle != nullptr && !battle->closed()) {
        battle->Close(BattleClose::PROGRAM);
    }
    DismissBoxes();
    window.hide();
    if (lobby_loop != nullptr) {
        lobby_loop->exit(result);
    }
}

void QtLobbyView::PostCommand(int id, int param)
{
    Queue([this, id, param] { Dispatch(id, param); });
}

bool QtLobbyView::IsKeyHeld(HeldKey key)
{
    const std::scoped_lock guard(lock);
    return held_key == key;
}

void QtLobbyView::Dispatch(int id, int param)
{
    {
        const std::scoped_lock guard(lock);
        if (ending) {
            return;
        }
    }
    if (events != nullptr) {
        // A command the logic leaves unhandled has no default action here: nothing but the logic ends the lobby.
        (void)events->OnCommand(id, param);
    }
}

// Controls

std::string QtLobbyView::FieldText(int id)
{
    const std::scoped_lock guard(lock);
    const auto found = field_texts.find(id);
    return found == field_texts.end() ? std::string() : found->second;
}

void QtLobbyView::WriteField(int id, std::string_view text)
{
    {
        const std::scoped_lock guard(lock);
        field_texts[id] = std::string(text);
    }
    Queue([this, id, shown = FromCp932(text)] {
        if (QLineEdit* edit = window.Field(id)) {
            edit->setText(shown);
        } else if (auto* label = qobject_cast<QLabel*>(window.Control(id))) {
            label->setText(shown);
        }
    });
}

void QtLobbyView::LimitField(int id, int characters)
{
    if (QLineEdit* edit = window.Field(id)) {
        edit->setMaxLength(characters);
    }
}

void QtLobbyView::EnableControl(int id, ControlState state)
{
    Queue([this, id, state] {
        if (QWidget* control = window.Control(id)) {
            control->setEnabled(state == ControlState::ENABLED);
        }
    });
}

bool QtLobbyView::IsToggled(int id)
{
    const std::scoped_lock guard(lock);
    const auto found = toggles.find(id);
    return found != toggles.end() && found->second;
}

void QtLobbyView::ReleaseToggle(int id)
{
    {
        const std::scoped_lock guard(lock);
        toggles[id] = false;
    }
    Queue([this, id] {
        if (auto* button = qobject_cast<QPushButton*>(window.Control(id))) {
            button->setChecked(false);
        }
    });
}

void QtLobbyView::ShowStatus(std::string_view text)
{
    Queue([this, shown = FromCp932(text)] {
        if (auto* label = qobject_cast<QLabel*>(window.Control(CONTROL_STATUS))) {
            label->setText(shown);
        }
        if (battle != nullptr && !battle->closed()) {
            battle->ShowStatus(shown);
        }
    });
}

void QtLobbyView::AppendChatLine(std::string_view line)
{
    Queue([this, shown = FromCp932(line)] {
        QPlainTextEdit* log = window.ChatLog();
        // A cursor of our own writes at the end, so the player's caret and selection stay where they are.
        QTextCursor end(log->document());
        end.movePosition(QTextCursor::End);
        if (chat_lines > 0) {
            end.insertBlock();
        }
        end.insertText(shown);
        ++chat_lines;
        ScrollToEnd(*log);
    });
}

void QtLobbyView::ReplaceChatLog(std::string_view line)
{
    Queue([this, shown = FromCp932(line)] {
        QPlainTextEdit* log = window.ChatLog();
        log->setPlainText(shown);
        chat_lines = 1;
        ScrollToEnd(*log);
    });
}

void QtLobbyView::ShowParticipants(const std::vector<std::string>& names)
{
    QStringList shown;
    for (const std::string& name : names) {
        shown << FromCp932(name);
    }
    Queue([this, shown] {
        QListWidget* list = window.Participants();
        list->clear();
        list->addItems(shown);
    });
}

// Message boxes

void QtLobbyView::ShowMessageBox(std::string_view text)
{
    const QString shown = FromCp932(text);
    {
        const std::scoped_lock guard(lock);
        if (ending) {
            return;
        }
    }
    if (QThread::currentThread() == thread()) {
        // What was asked for before the box comes first: the winning ball and its line are drawn by then.
        RunQueued();
        // The box's own loop keeps serving both windows and the queued commands until the player dismisses it.
        QEventLoop loop;
        bool dismissed = false;
        ShowBox(shown, [&loop, &dismissed] {
            dismissed = true;
            loop.quit();
        });
        if (!dismissed) {
            loop.exec();
        }
        return;
    }
    // Another thread waits here until the player dismisses the box, or the lobby ends.
    const auto dismissed = std::make_shared<bool>(false);
    Queue([this, shown, dismissed] {
        ShowBox(shown, [this, dismissed] {
            {
                const std::scoped_lock guard(lock);
                *dismissed = true;
            }
            box_dismissed.notify_all();
        });
    });
    std::unique_lock guard(lock);
    box_dismissed.wait(guard, [&] { return *dismissed || ending; });
}

void QtLobbyView::ShowBox(const QString& text, std::function<void()> on_dismissed)
{
    {
        const std::scoped_lock guard(lock);
        if (ending) {
            on_dismissed();
            return;
        }
    }
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, FromCp932(texts::CAPTION_MESSAGE_BOX), text,
                                             QMessageBox::Ok, &window);
    box->setWindowModality(Qt::WindowModal);
    QMessageBox* shown = box.get();
    boxes.push_back(std::move(box));
    connect(shown, &QDialog::finished, this, [this, shown, on_dismissed = std::move(on_dismissed)] {
        on_dismissed();
        // The box is still inside its own signal; it is let go once control is back in the event loop.
        Queue([this, shown] { boxes.remove_if([shown](const auto& box) { return box.get() == shown; }); });
    });
    shown->open();
    // The box belongs to the lobby, but the player is looking at the battle window: bring it to the front.
    shown->raise();
    shown->activateWindow();
}

void QtLobbyView::DismissBoxes()
{
    for (const auto& box : boxes) {
        if (box->isVisible()) {
            box->done(QMessageBox::Ok);
        }
    }
}

// Battle window

void QtLobbyView::OpenBattleWindow(int colour, BattleEvents& battle_events)
{
    {
        const std::scoped_lock guard(lock);
        if (ending || battle_open) {
            return;
        }
    }
    BattleWindow opened(battle_events, icons, &preferences, &sounds);
    opened.SetBallIcon(colour);
    QEventLoop loop;
    connect(&opened, &BattleWindow::Closed, &loop, [this, &loop] {
        {
            const std::scoped_lock guard(lock);
            battle_open = false;
        }
        loop.quit();
    });
    {
        const std::scoped_lock guard(lock);
        battle_open = true;
        ++battle_number;
    }
    battle = &opened;
    opened.show();
    opened.raise();
    opened.activateWindow();
    if (!opened.closed()) {
        loop.exec();
    }
    battle = nullptr;
}

bool QtLobbyView::IsBattleWindowOpen()
{
    const std::scoped_lock guard(lock);
    return battle_open;
}

BattleWindow* QtLobbyView::battle_window() const
{
    return battle != nullptr && !battle->closed() ? battle : nullptr;
}

void QtLobbyView::QueueBattleWork(std::function<void(BattleWindow&)> work)
{
    unsigned number = 0;
    {
        const std::scoped_lock guard(lock);
        if (!battle_open) {
            return;
        }
        number = battle_number;
    }
    Queue([this, number, work = std::move(work)] {
        {
            const std::scoped_lock guard(lock);
            if (!battle_open || battle_number != number) {
                return;
            }
        }
        if (battle != nullptr && !battle->closed()) {
            work(*battle);
        }
    });
}

void QtLobbyView::CloseBattleWindow()
{
    QueueBattleWork([](BattleWindow& open) { open.Close(BattleClose::PROGRAM); });
}

void QtLobbyView::DrawBattleCell(int col, int row)
{
    QueueBattleWork([col, row](BattleWindow& open) { open.DrawCell(col, row); });
}

void QtLobbyView::DrawBattleMarker(int col, int row)
{
    QueueBattleWork([col, row](BattleWindow& open) { open.DrawMarker(col, row); });
}

void QtLobbyView::RepaintBattleWindow()
{
    QueueBattleWork([](BattleWindow& open) { open.Repaint(); });
}

void QtLobbyView::SetBattleIcon(int colour)
{
    QueueBattleWork([colour](BattleWindow& open) { open.SetBallIcon(colour); });
}

void QtLobbyView::AnnounceBattle(BattleAnnouncement what)
{
    QueueBattleWork([what](BattleWindow& open) { open.Announce(what); });
}

} // namespace pyrandel
