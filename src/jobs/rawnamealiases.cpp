#include "jobs/rawnamealiases.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace {
// Bytes 0x80-0x9F as Windows-1252 reads them (0: no character there). Names that are not
// UTF-8 mostly come from Windows or older Latin-1 systems, where these bytes are quotes,
// dashes and the euro sign; Latin-1 itself has only invisible control characters there.
// Escapes such as "\xe9" would read worse and bring a "\" that the target names take for a
// folder separator.
constexpr char16_t kWindows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The longest file name, in bytes, that the file systems take.
constexpr int kNameMax = 255;

QChar byteAsWindows1252(uchar byte)
{
    if (byte < 0x80 || byte >= 0xA0)
        return QChar(byte); // ASCII, and Latin-1's printable range
    const char16_t mapped = kWindows1252[byte - 0x80];
    return mapped ? QChar(mapped) : QChar(QChar::ReplacementCharacter);
}

// The length of the valid UTF-8 sequence that starts at `at`, 0 when none starts there: the
// shortest piece that decodes and encodes back to the same bytes.
int utf8Length(const QByteArray &raw, int at)
{
    for (int length = 1; length <= 4 && at + length <= raw.size(); ++length) {
        const QByteArray piece = raw.mid(at, length);
        if (QString::fromUtf8(piece).toUtf8() == piece)
            return length;
    }
    return 0;
}

bool spelledByQt(const QByteArray &name)
{
    return QFile::encodeName(QFile::decodeName(name)) == name;
}

// The names of the entries in the folder, other than folders, that Qt cannot spell.
QList<QByteArray> unspelledFiles(const QString &folder)
{
    QList<QByteArray> names;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        struct stat info = {};
        if (!spelledByQt(name) && ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0
            && !S_ISDIR(info.st_mode))
            names.append(name);
    }
    ::closedir(dir);
    return names;
}

// The readable name made distinct from those taken (" (2)" before the suffix, then " (3)",
// ...) and cut to what the file system takes.
QString distinctName(const QString &readable, const QSet<QString> &taken)
{
    const int dot = readable.lastIndexOf(QLatin1Char('.'));
    QString stem = dot > 0 ? readable.left(dot) : readable;
    const QString suffix = dot > 0 ? readable.mid(dot) : QString();
    for (int n = 1;; ++n) {
        const QString tail = (n == 1 ? QString() : QStringLiteral(" (%1)").arg(n)) + suffix;
        while (!stem.isEmpty() && QFile::encodeName(stem + tail).size() > kNameMax) {
            stem.chop(1);
            if (!stem.isEmpty() && stem.back().isHighSurrogate())
                stem.chop(1);
        }
        const QString name = stem + tail;
        if (!taken.contains(name))
            return name;
    }
}

QString cleanFolder(const QString &folder)
{
    return QDir::cleanPath(QDir(folder).absolutePath());
}

struct AliasedFolder
{
    QString aliases;                    // the folder of its aliases
    QHash<QByteArray, QString> aliasOf; // raw file name -> alias name
    QSet<QString> taken;
};

struct AliasStore
{
    std::unique_ptr<QTemporaryDir> root; // made at the first name that needs an alias
    QHash<QString, AliasedFolder> byReal;
    QHash<QString, QString> realOf; // alias folder -> the real folder

    bool ready()
    {
        if (!root) {
            QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
            if (base.isEmpty())
                base = QDir::tempPath();
            root = std::make_unique<QTemporaryDir>(base + QStringLiteral("/vexo-names-XXXXXX"));
        }
        return root->isValid();
    }

    // The alias folder for a real one: a numbered folder, so that two real folders of one name
    // never share it, holding one named after the real folder, which is what the choosers show.
    AliasedFolder &folderFor(const QString &real)
    {
        auto found = byReal.find(real);
        if (found != byReal.end())
            return *found;
        const QString name = QFileInfo(real).fileName();
        const QString label = QCoreApplication::translate("RawNameAliases", "%1 (names not in UTF-8)")
                                  .arg(name.isEmpty() ? QStringLiteral("/") : name);
        AliasedFolder folder;
        folder.aliases = root->filePath(QString::number(byReal.size() + 1) + QLatin1Char('/')
                                        + distinctName(label, {}));
        QDir().mkpath(folder.aliases);
        realOf.insert(folder.aliases, real);
        return *byReal.insert(real, folder);
    }
};

AliasStore &store()
{
    static AliasStore aliases;
    return aliases;
}

void addAlias(AliasedFolder &folder, const QString &real, const QByteArray &raw)
{
    const QString name = distinctName(RawNameAliases::readableName(raw), folder.taken);
    const QByteArray target = QFile::encodeName(real) + '/' + raw;
    const QByteArray link = QFile::encodeName(folder.aliases + QLatin1Char('/') + name);
    if (::symlink(target.constData(), link.constData()) != 0)
        return;
    folder.aliasOf.insert(raw, name);
    folder.taken.insert(name);
}
} // namespace

QString RawNameAliases::readableName(const QByteArray &raw)
{
    QString readable;
    for (int at = 0; at < raw.size();) {
        const int length = utf8Length(raw, at);
        if (length > 0) {
            readable += QString::fromUtf8(raw.constData() + at, length);
            at += length;
        } else {
            readable += byteAsWindows1252(uchar(raw.at(at)));
            ++at;
        }
    }
    return readable;
}

QString RawNameAliases::aliasFolder(const QString &folder)
{
    if (folder.isEmpty())
        return QString();
    const QString real = cleanFolder(folder);
    AliasStore &aliases = store();
    const QList<QByteArray> names = unspelledFiles(real);
    if (names.isEmpty() && !aliases.byReal.contains(real))
        return QString();
    if (!aliases.ready())
        return QString();
    AliasedFolder &aliased = aliases.folderFor(real);
    for (const QByteArray &raw : names) {
        if (!aliased.aliasOf.contains(raw))
            addAlias(aliased, real, raw);
    }
    return aliased.aliasOf.isEmpty() ? QString() : aliased.aliases;
}

QString RawNameAliases::realFolder(const QString &path)
{
    const QFileInfo info(path);
    return store().realOf.value(cleanFolder(info.path()), info.absolutePath());
}

bool RawNameAliases::isAlias(const QString &path)
{
    return !path.isEmpty() && store().realOf.contains(cleanFolder(QFileInfo(path).path()));
}
