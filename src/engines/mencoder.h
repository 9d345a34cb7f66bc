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
    // The "name - description" lines of a help list, in their order.
    struct HelpEntry
    {
        QString name;
        QString description;
    };
    static QList<HelpEntry> helpEntries(const QString &text);

    // The stream-copy merge of several files into one, one after another; the program is
    // this engine's executable. Always succeeds; `error` is cleared.
    bool cliCmdMerge(QString &program, QStringList &arguments, QString &error,
                     const QStringList &inputs, const QString &output,
                     const QString &container, const QString &fourcc) const;
    // The merge's arguments, shared with the MEncoder command builder. `fourcc` is the
    // tag to write into an AVI; empty, or as FFprobe shows a missing tag ("[0][0][0][0]"),
    // none is written.
    static QStringList mergeArguments(const QStringList &inputs, const QString &output,
                                      const QString &container, const QString &fourcc);
    // libavformat's output format for a container identifier ("-lavfopts format=").
    static QString lavfFormat(const QString &container);

    QStringList fourCCs() const { return m_fourCCs; }
    QString defaultFourCC() const { return m_defaultFourCC; }

protected:
    QueryOutcome queryEngine(QString &failureText, QString &error) override;

private:
    QStringList m_fourCCs;
    QString m_defaultFourCC;
};
