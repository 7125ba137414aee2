#include "app/qt/qt_lobby_view.h"

#include "game/qt/battle_window.h"
#include "game/qt/dialog_units.h"
#include "game/qt/recording_battle_events.h"
#include "lobby_template.h"
#include "support/qt/view_test_support.h"
#include "text/text_codec.h"
#include "text/texts.h"

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <map>

#include <gtest/gtest.h>

#include <thread>

namespace pyrandel {
namespace {

using test::Flush;
using test::RecordingBattleEvents;
using test::SendKey;
using test::Soon;
using test::WaitUntil;

// Records what the lobby window reports, with the held keys and toggle states the logic would see then.
class RecordingLobbyEvents final : public LobbyEvents {
public:
    explicit RecordingLobbyEvents(QtLobbyView& view) : view(view) {}

    struct Command {
        int id;
        int param;
        bool enter_held;
        bool escape_held;
        bool toggled; // of the command's own control
    };
    struct KeySeen {
        KeyMessage message;
        int code;
    };

    void OnInit() override { ++inits; }
    CommandResult OnCommand(int id, int param) override
    {
        commands.push_back(
            {id, param, view.IsKeyHeld(HeldKey::ENTER), view.IsKeyHeld(HeldKey::ESCAPE), view.IsToggled(id)});
        return CommandResult::HANDLED;
    }
    // As the lobby does: Enter never reaches the input, and its key-down asks for command 1021.
    InputResult FilterChatInput(KeyMessage message, int code) override
    {
        keys.push_back({message, code});
        if (code != 13) {
            return InputResult::FORWARD;
        }
        if (message == KeyMessage::KEY_DOWN) {
            view.PostCommand(CONTROL_SAY, 0);
        }
        return InputResult::CONSUMED;
    }

    QtLobbyView& view;
    int inits = 0;
    std::vector<Command> commands;
    std::vector<KeySeen> keys;
};

class QtLobbyViewTest : public ::testing::Test {
public:
    // Runs the lobby with `script` started from inside its loop; the script's end ends the lobby.
    void RunScript(std::function<void()> script)
    {
        Soon([this, script = std::move(script)] {
            script();
            view.EndLobby(0);
        });
        EXPECT_EQ(view.RunLobby(events), 0);
    }

    [[nodiscard]] LobbyWindow& window() { return view.lobby_window(); }
    template <typename Widget>
    [[nodiscard]] Widget& Control(int id)
    {
        auto* widget = qobject_cast<Widget*>(window().Control(id));
        EXPECT_NE(widget, nullptr) << id;
        return *widget;
    }

    QtLobbyView view;
    RecordingLobbyEvents events{view};
};

TEST_F(QtLobbyViewTest, LobbyHasEveryControlOfTheTemplateInPlace)
{
    const DialogUnits units(window().font());
    EXPECT_EQ(window().size(), units.ToPixels(271, 179));
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Pyrandel"));
    EXPECT_TRUE(window().font().family() == QStringLiteral("IPAPGothic") ||
                window().font().family() == QString::fromUtf8(u8"ＭＳ Ｐゴシック") ||
                window().font().family() == QStringLiteral("MS PGothic"));
    EXPECT_EQ(window().font().pointSize(), 9);

    int position = 0;
    for (const ControlTemplate& control : templates::LOBBY_CONTROLS) {
        const QString name =
            control.id == NO_ID ? QStringLiteral("static%1").arg(position) : QStringLiteral("ctl%1").arg(control.id);
        ++position;
        auto* widget = window().findChild<QWidget*>(name);
        ASSERT_NE(widget, nullptr) << name.toStdString();
        QRect expected = units.ToPixels(control.rect);
        if (control.kind == ControlKind::ICON) {
            expected.setSize(QSize(32, 32));
        }
        EXPECT_EQ(widget->geometry(), expected) << name.toStdString();
        EXPECT_EQ(widget->isVisibleTo(&window()), control.visibility == Visibility::SHOWN) << name.toStdString();
        EXPECT_EQ(widget->isEnabled(), control.state == Availability::ENABLED) << name.toStdString();
    }
}

TEST_F(QtLobbyViewTest, ControlsHaveTheirKindsAndTexts)
{
    struct Case {
        int id;
        const char* kind;
        const char8_t* text;
        bool visible;
        bool enabled;
    };
    const Case cases[] = {
        {CONTROL_QUIT, "QPushButton", u8"終了", true, true},
        {CONTROL_CHAT_LOG, "QPlainTextEdit", u8"", true, true},
        {CONTROL_CHAT_INPUT, "QLineEdit", u8"", true, true},
        {CONTROL_SAY, "QPushButton", u8"発言", true, true},
        {CONTROL_ADDRESS, "QLineEdit", u8"", true, true},
        {CONTROL_CONNECT, "QPushButton", u8"サーバーへ接続", true, true},
        {CONTROL_HOST, "QPushButton", u8"サーバーになる", true, true},
        {CONTROL_PARTICIPANTS, "QListWidget", u8"", true, true},
        {CONTROL_MATCH, "QPushButton", u8"対戦", false, true},
        {CONTROL_NAME, "QLineEdit", u8"", true, true},
        {CONTROL_WATCH, "QPushButton", u8"観戦", false, true},
        {CONTROL_STATUS, "QLabel", u8"未接続です", false, true},
        {CONTROL_END_MATCH, "QPushButton", u8"対戦終了", false, false},
        {CONTROL_START, "QPushButton", u8"対戦開始！", true, true},
    };
    for (const Case& test : cases) {
        QWidget* widget = window().Control(test.id);
        ASSERT_NE(widget, nullptr) << test.id;
        EXPECT_STREQ(widget->metaObject()->className(), test.kind) << test.id;
        const QString expected = QString::fromUtf8(reinterpret_cast<const char*>(test.text));
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), expected) << test.id;
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->text(), expected) << test.id;
        }
        EXPECT_EQ(widget->isVisibleTo(&window()), test.visible) << test.id;
        EXPECT_EQ(widget->isEnabled(), test.enabled) << test.id;
    }
    EXPECT_TRUE(Control<QPushButton>(CONTROL_QUIT).isDefault());
    EXPECT_TRUE(Control<QPushButton>(CONTROL_HOST).isCheckable());
    EXPECT_TRUE(Control<QPushButton>(CONTROL_CONNECT).isCheckable());
    EXPECT_TRUE(Control<QPlainTextEdit>(CONTROL_CHAT_LOG).isReadOnly());

    // Static texts, the rules in three lines each beginning after the first with an ideographic space.
    auto* rules = window().findChild<QLabel*>(QStringLiteral("static22"));
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(rules->text(), QString::fromUtf8(u8"ルール ：\n　一人ずつ順番にボールを積み上げていきます\n"
                                               u8"　自分の色のボールを横か斜めに５つ以上そろえると勝ちです。"));
    auto* participants = window().findChild<QLabel*>(QStringLiteral("static10"));
    ASSERT_NE(participants, nullptr);
    EXPECT_EQ(participants->text(), QString::fromUtf8(u8"現在の参加者\n定員４名以内"));
    auto* frame = window().findChild<QGroupBox*>(QStringLiteral("static16"));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->title(), QStringLiteral("Version Info"));
}

TEST_F(QtLobbyViewTest, TabVisitsEveryControlInTemplateOrderAndEachIsNamedForScreenReaders)
{
    window().show();
    // The mode toggles too, or a keyboard user could neither host nor join.
    const std::vector<int> expected = {CONTROL_QUIT,    CONTROL_CHAT_LOG, CONTROL_CHAT_INPUT,    CONTROL_SAY,
                                       CONTROL_ADDRESS, CONTROL_CONNECT,  CONTROL_HOST,          CONTROL_PARTICIPANTS,
                                       CONTROL_NAME,    CONTROL_START,    CONTROL_COMPUTER_LEVEL};
    std::vector<int> visited;
    QWidget* first = window().Control(CONTROL_QUIT);
    QWidget* at = first;
    do {
        if (at->isVisible() && at->isEnabled() && (at->focusPolicy() & Qt::TabFocus) != 0) {
            visited.push_back(at->objectName().mid(3).toInt());
        }
        at = at->nextInFocusChain();
    } while (at != first && visited.size() < 20);
    EXPECT_EQ(visited, expected);

    const std::map<int, QString> names = {
        {CONTROL_ADDRESS, QString::fromUtf8(u8"サーバーIP")},
        {CONTROL_NAME, QString::fromUtf8(u8"お名前")},
        {CONTROL_CONNECT, QString::fromUtf8(u8"サーバーへ接続")},
        {CONTROL_HOST, QString::fromUtf8(u8"サーバーになる")},
    };
    for (const int id : expected) {
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(window().Control(id));
        ASSERT_NE(spoken, nullptr) << id;
        EXPECT_FALSE(spoken->text(QAccessible::Name).isEmpty()) << id;
        EXPECT_FALSE(spoken->text(QAccessible::Description).isEmpty()) << id;
        if (const auto named = names.find(id); named != names.end()) {
            EXPECT_EQ(spoken->text(QAccessible::Name), named->second) << id;
        }
    }
    // Labels are tied to their fields; the level list, whose name is its value, is named by its label.
    for (const auto& [label, id] :
         {std::pair{6, CONTROL_ADDRESS}, std::pair{12, CONTROL_NAME}, std::pair{26, CONTROL_COMPUTER_LEVEL}}) {
        auto* tied = window().findChild<QLabel*>(QStringLiteral("static%1").arg(label));
        ASSERT_NE(tied, nullptr);
        EXPECT_EQ(tied->buddy(), window().Control(id));
    }
    const auto labels =
        QAccessible::queryAccessibleInterface(window().Control(CONTROL_COMPUTER_LEVEL))->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.front().first->text(QAccessible::Name), QString::fromUtf8(u8"CPUの強さ"));
    window().hide();
}

TEST_F(QtLobbyViewTest, EnterInTheChatInputAsksForTheChatCommandAndNeverReachesTheInput)
{
    RunScript([this] {
        auto& input = Control<QLineEdit>(CONTROL_CHAT_INPUT);
        SendKey(input, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        SendKey(input, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        // Key repeat: a second press without its release in between still asks again.
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
        QApplication::sendEvent(&input, &repeat);
        Flush();
        EXPECT_EQ(input.text(), QStringLiteral("a"));
    });
    std::vector<int> ids;
    for (const auto& command : events.commands) {
        ids.push_back(command.id);
    }
    EXPECT_EQ(ids, (std::vector<int>{CONTROL_SAY, CONTROL_SAY}));
    ASSERT_GE(events.keys.size(), 6u);
    const auto enter_messages =
        std::count_if(events.keys.begin(), events.keys.end(), [](const auto& key) { return key.code == 13; });
    EXPECT_EQ(enter_messages, 5); // down, character, up, then the repeat's down and character
    // After the three messages of the letter: Enter's key-down, its character, its release.
    EXPECT_EQ(events.keys[3].message, KeyMessage::KEY_DOWN);
    EXPECT_EQ(events.keys[4].message, KeyMessage::CHARACTER);
    EXPECT_EQ(events.keys[5].message, KeyMessage::KEY_UP);
}

TEST_F(QtLobbyViewTest, ButtonsKeysAndTheCloseBoxBecomeCommands)
{
    using Command = RecordingLobbyEvents::Command;
    struct Case {
        const char* name;
        std::function<void(QtLobbyViewTest&)> act;
        int id;
        bool enter_held;
        bool escape_held;
        bool toggled;
    };
    const Case cases[] = {
        {"quit button", [](auto& t) { t.template Control<QPushButton>(CONTROL_QUIT).click(); }, 2, false, false, false},
        {"Escape", [](auto& t) { SendKey(t.window(), Qt::Key_Escape); }, 2, false, true, false},
        {"close box", [](auto& t) { t.window().close(); }, 2, false, false, false},
        {"Enter in the name field",
         [](auto& t) { SendKey(t.template Control<QLineEdit>(CONTROL_NAME), Qt::Key_Return); }, 1, true, false, false},
        {"host toggle pressed", [](auto& t) { t.template Control<QPushButton>(CONTROL_HOST).click(); }, CONTROL_HOST,
         false, false, true},
        {"host toggle released", [](auto& t) { t.template Control<QPushButton>(CONTROL_HOST).click(); }, CONTROL_HOST,
         false, false, false},
        {"connect toggle", [](auto& t) { t.template Control<QPushButton>(CONTROL_CONNECT).click(); }, CONTROL_CONNECT,
         false, false, true},
        {"start", [](auto& t) { t.template Control<QPushButton>(CONTROL_START).click(); }, CONTROL_START, false, false,
         false},
        {"say", [](auto& t) { t.template Control<QPushButton>(CONTROL_SAY).click(); }, CONTROL_SAY, false, false,
         false},
    };
    std::vector<std::vector<Command>> seen;
    RunScript([&] {
        for (const Case& test : cases) {
            events.commands.clear();
            test.act(*this);
            seen.push_back(events.commands);
        }
        EXPECT_TRUE(window().isVisible()); // only the logic ends the lobby
    });
    ASSERT_EQ(seen.size(), std::size(cases));
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const Case& test = cases[i];
        ASSERT_EQ(seen[i].size(), 1u) << test.name;
        EXPECT_EQ(seen[i][0].id, test.id) << test.name;
        EXPECT_EQ(seen[i][0].enter_held, test.enter_held) << test.name;
        EXPECT_EQ(seen[i][0].escape_held, test.escape_held) << test.name;
        EXPECT_EQ(seen[i][0].toggled, test.toggled) << test.name;
    }
}

TEST_F(QtLobbyViewTest, FieldsAreCodePage932BothWays)
{
    RunScript([this] {
        view.WriteField(CONTROL_NAME, texts::NAMELESS);
        EXPECT_EQ(view.FieldText(CONTROL_NAME), texts::NAMELESS); // at once, before the widget has it
        Flush();
        auto& name = Control<QLineEdit>(CONTROL_NAME);
        EXPECT_EQ(name.text(), QString::fromUtf8(u8"名無し"));

        name.setFocus();
        name.end(false);
        name.insert(QString::fromUtf8(u8"さん")); // as the player types it
        EXPECT_EQ(view.FieldText(CONTROL_NAME), std::string(texts::NAMELESS) + "\x82\xB3\x82\xF1");

        view.LimitField(CONTROL_ADDRESS, FIELD_LIMIT);
        EXPECT_EQ(Control<QLineEdit>(CONTROL_ADDRESS).maxLength(), 80);
    });
}

TEST_F(QtLobbyViewTest, ChatLinesGoAfterTheLastLineWhereverThePlayersSelectionIs)
{
    RunScript([this] {
        auto& log = Control<QPlainTextEdit>(CONTROL_CHAT_LOG);
        view.AppendChatLine(texts::CHAT_GAME_STARTED);
        view.AppendChatLine("");
        Flush();
        // The player selects the first line's first two characters.
        QTextCursor selection = log.textCursor();
        selection.setPosition(0);
        selection.setPosition(2, QTextCursor::KeepAnchor);
        log.setTextCursor(selection);

        view.AppendChatLine(texts::CHAT_GAME_ENDED);
        Flush();
        EXPECT_EQ(log.toPlainText(), QString::fromUtf8(u8"ゲームが開始されました\n\nゲームが終わりました"));
        EXPECT_EQ(log.textCursor().selectedText(), QString::fromUtf8(u8"ゲー"));

        view.ReplaceChatLog(texts::CHAT_SERVER_CLOSED);
        view.AppendChatLine("x");
        Flush();
        EXPECT_EQ(log.toPlainText(), QString::fromUtf8(u8"サーバーを閉じました\nx"));
    });
}

TEST_F(QtLobbyViewTest, ParticipantsTogglesStatusAndEnabledStateReachTheWidgets)
{
    RunScript([this] {
        view.ShowParticipants({"b", std::string(texts::NAMELESS), "A"});
        Control<QPushButton>(CONTROL_HOST).click();
        EXPECT_TRUE(view.IsToggled(CONTROL_HOST));
        view.ReleaseToggle(CONTROL_HOST);
        EXPECT_FALSE(view.IsToggled(CONTROL_HOST));
        view.EnableControl(CONTROL_NAME, ControlState::DISABLED);
        view.ShowStatus(texts::STATUS_CONNECTED);
        events.commands.clear();
        Flush();

        auto& list = Control<QListWidget>(CONTROL_PARTICIPANTS);
        ASSERT_EQ(list.count(), 3);
        EXPECT_EQ(list.item(1)->text(), QString::fromUtf8(u8"名無し"));
        EXPECT_FALSE(Control<QPushButton>(CONTROL_HOST).isChecked());
        EXPECT_TRUE(events.commands.empty()); // releasing is not pressing
        EXPECT_FALSE(Control<QLineEdit>(CONTROL_NAME).isEnabled());
        EXPECT_EQ(Control<QLabel>(CONTROL_STATUS).text(), QString::fromUtf8(u8"接続しました"));
    });
}

TEST_F(QtLobbyViewTest, PostedCommandsArriveInOrderOnTheWindowThread)
{
    RunScript([this] {
        std::thread poster([this] {
            view.PostCommand(101, 2);
            view.PostCommand(102, 0);
        });
        poster.join();
        Flush();
    });
    ASSERT_EQ(events.commands.size(), 2u);
    EXPECT_EQ(events.commands[0].id, 101);
    EXPECT_EQ(events.commands[0].param, 2);
    EXPECT_EQ(events.commands[1].id, 102);
    EXPECT_EQ(events.inits, 1);
}

TEST_F(QtLobbyViewTest, MessageBoxHoldsANetworkThreadUntilDismissed)
{
    RunScript([this] {
        std::atomic<bool> returned{false};
        std::thread network([&] {
            view.ShowMessageBox(texts::STATUS_DECIDED);
            returned = true;
        });
        QMessageBox* box = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            box = window().findChild<QMessageBox*>();
            return box != nullptr && box->isVisible();
        }));
        EXPECT_EQ(box->text(), QString::fromUtf8(u8"勝負あり！"));
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Pyrandel"));
        Flush();
        EXPECT_FALSE(returned);
        box->button(QMessageBox::Ok)->click();
        network.join();
        EXPECT_TRUE(returned);
    });
}

TEST_F(QtLobbyViewTest, EndingTheLobbyReleasesAWaitingThreadAndLaterBoxes)
{
    std::thread network;
    Soon([&] {
        network = std::thread([this] { view.ShowMessageBox(texts::STATUS_DECIDED); });
        ASSERT_TRUE(WaitUntil([&] { return window().findChild<QMessageBox*>() != nullptr; }));
        view.EndLobby(0);
    });
    EXPECT_EQ(view.RunLobby(events), 0);
    network.join();                             // would hang if the box still held the thread
    view.ShowMessageBox(texts::STATUS_YOU_WIN); // returns at once once the lobby has ended
}

TEST_F(QtLobbyViewTest, ProgramCloseRequestClosesTheOpenWindowButNeverALaterOne)
{
    RecordingBattleEvents first;
    RecordingBattleEvents second;
    bool open_during = false;
    bool second_still_open = false;
    RunScript([&] {
        Soon([&] {
            open_during = view.IsBattleWindowOpen() && view.battle_window() != nullptr;
            std::thread([this] { view.CloseBattleWindow(); }).join();
            // The player leaves by Escape before the request is served: the request must not reach a later
            // window.
            SendKey(*view.battle_window(), Qt::Key_Escape);
        });
        view.OpenBattleWindow(0, first);
        EXPECT_FALSE(view.IsBattleWindowOpen());
        Soon([&] {
            Flush();
            second_still_open = view.IsBattleWindowOpen();
            view.CloseBattleWindow();
        });
        view.OpenBattleWindow(1, second);
    });
    EXPECT_TRUE(open_during);
    EXPECT_EQ(first.closes, std::vector<BattleClose>{BattleClose::ESCAPE});
    EXPECT_TRUE(second_still_open);
    EXPECT_EQ(second.closes, std::vector<BattleClose>{BattleClose::PROGRAM});
}

TEST_F(QtLobbyViewTest, EndingTheLobbyClosesTheBattleWindowAsTheProgram)
{
    RecordingBattleEvents battle;
    Soon([&] {
        Soon([&] { view.EndLobby(0); });
        view.OpenBattleWindow(2, battle);
    });
    EXPECT_EQ(view.RunLobby(events), 0);
    EXPECT_EQ(battle.closes, std::vector<BattleClose>{BattleClose::PROGRAM});
    EXPECT_FALSE(view.IsBattleWindowOpen());
}

TEST_F(QtLobbyViewTest, BattleDrawingAndStatusReachOnlyTheOpenWindow)
{
    RecordingBattleEvents battle;
    RunScript([&] {
        // No window: nothing is queued, nothing breaks.
        view.DrawBattleMarker(0, 0);
        view.RepaintBattleWindow();
        Soon([&] {
            BattleWindow* open = view.battle_window();
            ASSERT_NE(open, nullptr);
            EXPECT_EQ(open->status(), QString::fromUtf8(u8"現在、待っています"));
            std::thread([this] {
                view.DrawBattleMarker(4, 0);
                view.ShowStatus(texts::STATUS_YOUR_TURN);
            }).join();
            Flush();
            EXPECT_EQ(open->marker(), (Cell{4, 0}));
            EXPECT_EQ(open->status(), QString::fromUtf8(u8"あなたの番です"));
            view.RepaintBattleWindow();
            Flush();
            EXPECT_FALSE(open->marker().has_value());
            open->close();
        });
        view.OpenBattleWindow(3, battle);
    });
    EXPECT_EQ(battle.closes, std::vector<BattleClose>{BattleClose::CLOSE_BOX});
}

} // namespace
} // namespace pyrandel
