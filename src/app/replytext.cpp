#include "app/replytext.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace {

enum class TagKind { Bold, Italic, Break, Paragraph, Link };

struct AllowedTag
{
    const char *name;
    TagKind kind;
};

const AllowedTag kAllowedTags[] = {
    {"b", TagKind::Bold},        {"strong", TagKind::Bold}, {"i", TagKind::Italic},
    {"em", TagKind::Italic},     {"br", TagKind::Break},    {"p", TagKind::Paragraph},
    {"a", TagKind::Link},
};

// One tag as written: "<", an optional "/", a name of letters and digits, attributes, ">".
struct Tag
{
    bool closing = false;
    QString name;
    QString attributes;
};

bool parseTag(QStringView source, Tag &tag)
{
    static const QRegularExpression pattern(QStringLiteral("^<(/?)([A-Za-z][A-Za-z0-9]*)(\\s[^>]*)?/?>$"));
    const QRegularExpressionMatch match = pattern.match(source);
    if (!match.hasMatch())
        return false;
    tag.closing = !match.capturedView(1).isEmpty();
    tag.name = match.captured(2).toLower();
    tag.attributes = match.captured(3);
    return true;
}

const AllowedTag *allowedTag(const QString &name)
{
    for (const AllowedTag &tag : kAllowedTags) {
        if (name == QLatin1String(tag.name))
            return &tag;
    }
    return nullptr;
}

// The link's address when it is an http or https address; empty otherwise.
QString webAddress(const QString &attributes)
{
    static const QRegularExpression href(
        QStringLiteral("\\bhref\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = href.match(attributes);
    if (!match.hasMatch())
        return {};
    QString address;
    for (int group = 1; group <= 3 && address.isEmpty(); ++group)
        address = match.captured(group);
    address.replace(QLatin1String("&amp;"), QLatin1String("&"));
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return url.toString(QUrl::FullyEncoded);
}

// Writes the flat result: the style the source asks for is put in front of each piece of
// text, closing and reopening whole runs, so no tag of the result ever holds another of its
// kind however deep the source nests.
class FlatWriter
{
public:
    bool full() const { return m_shown >= ReplyText::MaximumShownCharacters; }

    void tag(const AllowedTag &allowed, const Tag &tag)
    {
        switch (allowed.kind) {
        case TagKind::Bold:
            m_bold = std::max(0, m_bold + (tag.closing ? -1 : 1));
            break;
        case TagKind::Italic:
            m_italic = std::max(0, m_italic + (tag.closing ? -1 : 1));
            break;
        case TagKind::Break:
            m_breaks = std::min(m_breaks + 1, ReplyText::MaximumBreaks);
            break;
        case TagKind::Paragraph:
            m_breaks = std::max(m_breaks, 2);
            break;
        case TagKind::Link:
            m_link = tag.closing ? QString() : webAddress(tag.attributes);
            break;
        }
    }

    // Text shown as it is; "&" starts a character reference only when one follows (numbers
    // short enough to stay below the last code point).
    void text(QStringView text)
    {
        static const QRegularExpression reference(
            QStringLiteral("^&(?:[A-Za-z][A-Za-z0-9]{0,31}|#[0-9]{1,6}|#[xX][0-9A-Fa-f]{1,5});"));
        qsizetype at = 0;
        while (at < text.size() && !full()) {
            const QChar c = text.at(at);
            if (c == QLatin1Char('&')) {
                const QRegularExpressionMatch match = reference.match(text.mid(at, 40));
                if (match.hasMatch()) {
                    put(match.captured(0));
                    at += match.capturedLength(0);
                    continue;
                }
            }
            put(QString(c).toHtmlEscaped());
            ++at;
        }
    }

    QString finish()
    {
        if (full())
            put(QStringLiteral("&hellip;"));
        closeRun();
        return m_out;
    }

private:
    // One shown character, in the style asked for.
    void put(const QString &character)
    {
        const bool white = character.size() == 1 && character.at(0).isSpace();
        // White space at the start and around line breaks would only indent the next line.
        if (white && (m_shown == 0 || m_breaks > 0))
            return;
        if (m_breaks > 0 && m_shown > 0) {
            closeRun();
            for (int i = 0; i < m_breaks; ++i)
                m_out += QLatin1String("<br>");
        }
        m_breaks = 0;
        if (m_runBold != (m_bold > 0) || m_runItalic != (m_italic > 0) || m_runLink != m_link)
            closeRun();
        if (!m_runOpen)
            openRun();
        m_out += character;
        ++m_shown;
    }

    void openRun()
    {
        m_runBold = m_bold > 0;
        m_runItalic = m_italic > 0;
        m_runLink = m_link;
        if (m_runBold)
            m_out += QLatin1String("<b>");
        if (m_runItalic)
            m_out += QLatin1String("<i>");
        if (!m_runLink.isEmpty())
            m_out += QStringLiteral("<a href=\"%1\">").arg(m_runLink.toHtmlEscaped());
        m_runOpen = true;
    }

    void closeRun()
    {
        if (!m_runOpen)
            return;
        if (!m_runLink.isEmpty())
            m_out += QLatin1String("</a>");
        if (m_runItalic)
            m_out += QLatin1String("</i>");
        if (m_runBold)
            m_out += QLatin1String("</b>");
        m_runOpen = false;
    }

    QString m_out;
    int m_shown = 0;
    int m_bold = 0;
    int m_italic = 0;
    int m_breaks = 0;
    QString m_link;
    bool m_runOpen = false;
    bool m_runBold = false;
    bool m_runItalic = false;
    QString m_runLink;
};

} // namespace

QString ReplyText::richText(const QString &value)
{
    FlatWriter writer;
    const QStringView source(value);
    qsizetype at = 0;
    while (at < source.size() && !writer.full()) {
        const qsizetype open = source.indexOf(QLatin1Char('<'), at);
        const qsizetype textEnd = open < 0 ? source.size() : open;
        writer.text(source.mid(at, textEnd - at));
        if (open < 0 || writer.full())
            break;
        const qsizetype close = source.mid(open, MaximumTagLength).indexOf(QLatin1Char('>'));
        Tag tag;
        const AllowedTag *allowed = nullptr;
        if (close > 0 && parseTag(source.mid(open, close + 1), tag))
            allowed = allowedTag(tag.name);
        if (allowed) {
            writer.tag(*allowed, tag);
            at = open + close + 1;
        } else {
            // Not a tag that is kept: its "<" is shown, and the rest is read as text.
            writer.text(source.mid(open, 1));
            at = open + 1;
        }
    }
    return writer.finish();
}
