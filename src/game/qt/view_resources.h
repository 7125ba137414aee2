#pragma once
// The view's pictures (res/pyrandel.qrc) are bundled into the static library pyrandel_game_qt; a static library's
// resources must be registered by the program that links it, once, before the first picture is loaded.

namespace pyrandel {

void InitViewResources();

// Loads Qt's own Japanese texts when the translation is installed (qt6-translations-l10n); otherwise nothing.
// Needs the application object.
void InstallQtTranslation();

} // namespace pyrandel
