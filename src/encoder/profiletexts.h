#pragma once

#include <QCoreApplication>
#include <QString>

struct EncoderProfile;

// The names the configurators give a profile: the title of a choice in the "Profile"
// group and the short label the encoder panel shows. The disc formats (VideoCD, Super
// VideoCD, DVD) have names of their own; every other profile is named by its level.
class ProfileTexts
{
    Q_DECLARE_TR_FUNCTIONS(ProfileTexts)

public:
    static QString title(const EncoderProfile &profile);
    // `muxerShortName` is the encoder's short name of `muxer`, used by the general form.
    static QString label(int level, const QString &standard, const QString &muxer,
                         const QString &video, const QString &audio,
                         const QString &muxerShortName);
};
