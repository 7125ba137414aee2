#include "game/qt/preferences.h"

#include <QFile>
#include <QSettings>
#include <QVariant>

namespace pyrandel {

namespace {

constexpr const char* SOUND_KEY = "battle/sound";
constexpr const char* COLOUR_AID_KEY = "battle/colour_aid";
constexpr const char* GEOMETRY_KEY = "battle/geometry";

// Only a stored true or false counts; anything else in the file is taken as the default.
[[nodiscard]] bool ReadBool(const QSettings& settings, const char* key, bool fallback)
{
    const QString text = settings.value(QLatin1String(key)).toString();
    if (text == QLatin1String("true")) {
        return true;
    }
    if (text == QLatin1String("false")) {
        return false;
    }
    return fallback;
}

} // namespace

Preferences::Preferences()
    : settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("pyrandel"),
                                           QStringLiteral("pyrandel")))
{
    // A file that does not parse is left alone and the defaults hold; a later change writes a good file.
    readable = settings->status() == QSettings::NoError;
    if (!readable) {
        return;
    }
    sound_on = ReadBool(*settings, SOUND_KEY, sound_on);
    colour_aid_on = ReadBool(*settings, COLOUR_AID_KEY, colour_aid_on);
    geometry = settings->value(QLatin1String(GEOMETRY_KEY)).toByteArray();
}

Preferences::~Preferences() = default;

void Preferences::SetSound(bool on)
{
    sound_on = on;
    Write(SOUND_KEY, on);
}

void Preferences::SetColourAid(bool on)
{
    colour_aid_on = on;
    Write(COLOUR_AID_KEY, on);
}

void Preferences::SetBattleGeometry(const QByteArray& saved)
{
    geometry = saved;
    Write(GEOMETRY_KEY, saved);
}

void Preferences::Write(const char* key, const QVariant& value)
{
    if (!readable) {
        // The unreadable file gives way to a fresh one that holds all three values.
        const QString path = settings->fileName();
        settings.reset();
        QFile::remove(path);
        settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
        readable = true;
        settings->setValue(QLatin1String(SOUND_KEY), sound_on);
        settings->setValue(QLatin1String(COLOUR_AID_KEY), colour_aid_on);
        settings->setValue(QLatin1String(GEOMETRY_KEY), geometry);
    }
    settings->setValue(QLatin1String(key), value);
    settings->sync();
}

} // namespace pyrandel
