// The widget tests run inside one QApplication on the offscreen platform (no display needed).

#include "game/qt/view_resources.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    pyrandel::InitViewResources();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
