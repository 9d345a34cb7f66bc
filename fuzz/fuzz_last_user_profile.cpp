// The settings the extended configurator last applied, as the settings store holds them
// ("Encoder/Last User Profile/<muxer>/Video|Audio/<codec>/rez|bitrate|sampling"), read back
// for each container and codec the input names and checked against the offered values.

#include "fuzztarget.h"

#include "encoder/lastuserprofile.h"
#include "encoder/records/encodingsource.h"
#include "encoder/records/encodingtarget.h"
#include "encoder/useroptionlists.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    // The store the program reads is a file of this run's own folder.
    static QTemporaryDir folder;
    static const bool placed = [] {
        QCoreApplication::setOrganizationName(QStringLiteral("vexo-fuzz"));
        QCoreApplication::setApplicationName(QStringLiteral("last-user-profile"));
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
        return true;
    }();
    Q_UNUSED(placed)
    static const UserOptionLists lists = [] {
        UserOptionLists filled;
        filled.initPictureSizes();
        filled.initPresetLabels();
        filled.initProfileLabels();
        filled.initSamplingRates();
        return filled;
    }();
    // QSettings writes its file into a folder per organisation, which it makes only when it
    // saves: the input is written there before the store reads it.
    static const QString fileName = [] {
        const QString name = QSettings().fileName();
        QDir().mkpath(QFileInfo(name).absolutePath());
        return name;
    }();
    {
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    QSettings settings;
    settings.beginGroup(LastUserProfile::settingsGroup());
    EncodingSource source;
    source.kind = 1;
    qsizetype found = 0;
    for (const QString &muxer : settings.childGroups()) {
        QStringList videoCodecs;
        QStringList audioCodecs;
        settings.beginGroup(muxer);
        settings.beginGroup(QStringLiteral("Video"));
        videoCodecs = settings.childGroups();
        settings.endGroup();
        settings.beginGroup(QStringLiteral("Audio"));
        audioCodecs = settings.childGroups();
        settings.endGroup();
        settings.endGroup();
        videoCodecs << QStringLiteral("xvid");
        audioCodecs << QStringLiteral("mp3");
        for (const QString &group : std::as_const(videoCodecs)) {
            // "<codec> <standard>" or the codec alone.
            const QString codec = group.section(QLatin1Char(' '), 0, 0);
            const QString standard = group.section(QLatin1Char(' '), 1);
            for (const QString &audio : std::as_const(audioCodecs)) {
                EncodingTarget target;
                found += LastUserProfile::load(muxer, standard, codec, audio, target, source, lists) ? 1 : 0;
            }
        }
    }
    FuzzTarget::parsed(found);
    return 0;
}
