// A settings file as a hand or a damaged disk left it: read by the store, checked for keys
// lost on reading (and, when some are, cut at the damage), and every value through the
// bounds the program reads it with.

#include "fuzztarget.h"

#include "app/recentlist.h"
#include "app/shellsettings.h"
#include "jobs/preferences.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    static QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("settings.conf"));
    {
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    // A damaged file cut at its damage (on a copy of its own) reads back whole.
    if (!ShellSettings::readsBackWhole(fileName)) {
        const QString cut = folder.filePath(QStringLiteral("cut.conf"));
        QFile::remove(cut);
        if (QFile::copy(fileName, cut) && ShellSettings::cutAtDamage(cut) && !ShellSettings::readsBackWhole(cut))
            abort();
    }
    QSettings settings(fileName, QSettings::IniFormat);
    Preferences preferences;
    ShellSettings::readPreferences(settings, preferences);
    const QStringList keys = settings.allKeys();
    for (const QString &key : keys) {
        const QVariant value = settings.value(key);
        ShellSettings::boundedInt(value, 0, 1, 3);
        ShellSettings::boundedDouble(value, 600.0, 60.0, 7200.0);
        ShellSettings::boolValue(value, false);
        ShellSettings::cleanOutputName(value.toString());
        ShellSettings::placeOnScreen(value.toPoint(), QRect(0, 0, 1280, 1024));
        ShellSettings::fitToScreen(value.toSize(), QRect(0, 0, 1280, 1024));
        for (const QString &entry : value.toStringList())
            RecentList::menuText(entry);
    }
    FuzzTarget::parsed(keys.size());
    return 0;
}
