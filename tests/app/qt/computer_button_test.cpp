// The lobby's "CPU参加" button and its level list on the Qt view, driving the real lobby logic and host.

#include "app/program.h"
#include "app/qt/qt_lobby_view.h"
#include "support/qt/view_test_support.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <gtest/gtest.h>

namespace pyrandel {
namespace {

using test::Soon;
using test::WaitUntil;

class ComputerButtonTest : public ::testing::Test {
protected:
    [[nodiscard]] LobbyOptions Options() const
    {
        LobbyOptions options;
        options.port = 0;
        options.listen_address = "127.0.0.1";
        options.settings = SettingsFile(directory.path().toStdString());
        options.computer_pause = std::chrono::milliseconds(0);
        return options;
    }
    template <typename Widget>
    [[nodiscard]] Widget& Control(int id)
    {
        return *qobject_cast<Widget*>(view.lobby_window().Control(id));
    }
    [[nodiscard]] int Listed() { return Control<QListWidget>(CONTROL_PARTICIPANTS).count(); }

    QTemporaryDir directory;
    QtLobbyView view;
    Program program{view, Options()};
};

TEST_F(ComputerButtonTest, SitsRightOfSayInsideTheWindow)
{
    QWidget& window = view.lobby_window();
    auto& button = Control<QPushButton>(CONTROL_ADD_COMPUTER);
    auto& level = Control<QComboBox>(CONTROL_COMPUTER_LEVEL);
    const QRect say = Control<QPushButton>(CONTROL_SAY).geometry();
    EXPECT_EQ(button.text(), QString::fromUtf8(u8"CPU参加"));
    EXPECT_GT(button.geometry().left(), say.right());
    EXPECT_GT(level.geometry().left(), button.geometry().right());
    EXPECT_EQ(button.geometry().top(), say.top());
    EXPECT_TRUE(window.rect().contains(level.geometry()));
    EXPECT_FALSE(button.isEnabled());
    EXPECT_EQ(level.count(), 5);
    EXPECT_EQ(level.currentText(), QStringLiteral("3"));
    EXPECT_EQ(view.FieldText(CONTROL_COMPUTER_LEVEL), "3");
    level.setCurrentIndex(level.findText(QStringLiteral("5")));
    EXPECT_EQ(view.FieldText(CONTROL_COMPUTER_LEVEL), "5");
}

TEST_F(ComputerButtonTest, WhileHostingAddsComputerPlayersAndStoppingSendsThemAway)
{
    QStringList listed;
    Soon([&] {
        auto& button = Control<QPushButton>(CONTROL_ADD_COMPUTER);
        EXPECT_FALSE(button.isEnabled());
        Control<QPushButton>(CONTROL_HOST).click();
        ASSERT_TRUE(WaitUntil([&] { return Listed() == 1 && button.isEnabled(); }));
        auto& level = Control<QComboBox>(CONTROL_COMPUTER_LEVEL);
        level.setCurrentIndex(level.findText(QStringLiteral("4")));
        button.click();
        ASSERT_TRUE(WaitUntil([&] { return Listed() == 2; }));
        button.click();
        button.click();
        ASSERT_TRUE(WaitUntil([&] { return Listed() == 4 && !button.isEnabled(); }));
        EXPECT_EQ(program.controls().ComputerLevel(), 4);
        for (int row = 0; row < Listed(); ++row) {
            listed << Control<QListWidget>(CONTROL_PARTICIPANTS).item(row)->text();
        }

        Control<QPushButton>(CONTROL_HOST).click(); // release
        EXPECT_TRUE(WaitUntil([&] { return Listed() == 0 && !button.isEnabled(); }));
        Control<QPushButton>(CONTROL_QUIT).click();
    });
    EXPECT_EQ(program.Run(1), 0);
    EXPECT_EQ(listed, (QStringList{QStringLiteral("CPU1"), QStringLiteral("CPU2"), QStringLiteral("CPU3"),
                                   QString::fromUtf8(u8"名無し")}));
}

} // namespace
} // namespace pyrandel
