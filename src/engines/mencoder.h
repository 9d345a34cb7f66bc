#pragma once

#include "engines/transcoder.h"

#include <QMap>
#include <QString>
#include <QStringList>

// The MEncoder engine. A start runs "mencoder -ovc help -oac help -of help" once and reads
// the banner and the three help lists from it.
class MEncoder : public Transcoder
{
    Q_OBJECT

public:
    MEncoder();

    bool startInterface(const QString &executablePath, const QString &libraryPath) override;

    void parseSignature(const QString &text);
    // Adds every "name - description" line of a help list to the map.
    static void parseHelpList(const QString &text, QMap<QString, QString> &map);

    QStringList fourCCs() const { return m_fourCCs; }
    QString defaultFourCC() const { return m_defaultFourCC; }

protected:
    QueryOutcome queryEngine(QString &failureText, QString &error) override;

private:
    QStringList m_fourCCs;
    QString m_defaultFourCC;
};
