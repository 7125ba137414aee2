#pragma once
// The player's own preferences for the desktop program: the sound, the colour-blind aid and where the battle
// window stands. Kept with QSettings in the user's config folder (XDG: ~/.config/pyrandel/pyrandel.conf),
// never in kq.ini, whose format other copies of the game read.
//
// A missing or unreadable file gives the defaults without a word; the file is written only when a preference
// changes. Window thread only.

#include <QByteArray>

#include <memory>

class QSettings;

namespace pyrandel {

class Preferences {
public:
    Preferences();
    ~Preferences();
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    // Off unless chosen: the game has always been silent, and the title and the attention request already
    // reach a player whose battle window is behind another.
    [[nodiscard]] bool sound() const { return sound_on; }
    void SetSound(bool on);
    // Off unless chosen.
    [[nodiscard]] bool colour_aid() const { return colour_aid_on; }
    void SetColourAid(bool on);
    // As QWidget::saveGeometry gives it; empty when none was kept.
    [[nodiscard]] QByteArray battle_geometry() const { return geometry; }
    void SetBattleGeometry(const QByteArray& saved);

private:
    void Write(const char* key, const QVariant& value);

    std::unique_ptr<QSettings> settings;
    bool readable = true;
    bool sound_on = false;
    bool colour_aid_on = false;
    QByteArray geometry;
};

} // namespace pyrandel
