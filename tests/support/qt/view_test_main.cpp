// The widget tests run inside one QApplication on the offscreen platform (no display needed). The player's
// preferences go to a config folder of the run's own (XDG_CONFIG_HOME), never to the real home; Qt's test mode
// is not used, as it would write under the home folder.

#include "game/qt/view_resources.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication application(argc, argv);
    pyrandel::InitViewResources();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
