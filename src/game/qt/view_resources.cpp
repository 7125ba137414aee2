#include "game/qt/view_resources.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QtGlobal>

// Q_INIT_RESOURCE names a function in the global namespace, so it cannot be used inside ours.
static void InitBundle()
{
    Q_INIT_RESOURCE(pyrandel);
}

namespace pyrandel {

void InitViewResources()
{
    InitBundle();
}

void InstallQtTranslation()
{
    // The program speaks Japanese whatever the desktop's language, so Qt's own texts (the edit fields' menu,
    // the buttons of standard boxes) follow it. Without the translation file they stay English.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

} // namespace pyrandel
