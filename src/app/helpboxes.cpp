#include "app/helpboxes.h"

#include "app/appidentity.h"
#include "app/website.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QSysInfo>

namespace {

// The engine projects the program drives, with their pages; the Credits box names these,
// not people.
struct CreditEntry
{
    const char *section;
    const char *project;
    const char *address;
    const char *role;
    bool extendedOnly; // an engine or tool only the extended edition names
};

const CreditEntry kCredits[] = {
    {QT_TRANSLATE_NOOP("HelpBoxes", "Encoding engines"), "MPlayer/MEncoder", "http://www.mplayerhq.hu",
     QT_TRANSLATE_NOOP("HelpBoxes", "the MPlayer project"), false},
    {QT_TRANSLATE_NOOP("HelpBoxes", "Encoding engines"), "FFmpeg", "https://ffmpeg.org",
     QT_TRANSLATE_NOOP("HelpBoxes", "the FFmpeg project"), false},
    {QT_TRANSLATE_NOOP("HelpBoxes", "Encoding engines"), "x264", "https://www.videolan.org/developers/x264.html",
     QT_TRANSLATE_NOOP("HelpBoxes", "the VideoLAN x264 project"), true},
    {QT_TRANSLATE_NOOP("HelpBoxes", "Encoding engines"), "MKVToolNix (mkvmerge)", "https://mkvtoolnix.download",
     QT_TRANSLATE_NOOP("HelpBoxes", "the MKVToolNix project"), true},
    {QT_TRANSLATE_NOOP("HelpBoxes", "Encoding engines"), "tsMuxeR", "https://github.com/justdan96/tsMuxer",
     QT_TRANSLATE_NOOP("HelpBoxes", "the tsMuxer project"), true},
    {QT_TRANSLATE_NOOP("HelpBoxes", "Encoding binaries"), "MPlayer/MEncoder, FFmpeg", "https://www.debian.org",
     QT_TRANSLATE_NOOP("HelpBoxes", "packages of the distribution"), false},
    {QT_TRANSLATE_NOOP("HelpBoxes", "Video utilities"), "MediaInfo", "https://mediaarea.net/MediaInfo",
     QT_TRANSLATE_NOOP("HelpBoxes", "the MediaArea MediaInfo project"), false},
};

QString tr(const char *text)
{
    return QCoreApplication::translate("HelpBoxes", text);
}

QString link(const QString &address, const QString &text)
{
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(address.toHtmlEscaped(), text.toHtmlEscaped());
}

} // namespace

QString HelpBoxes::platformName()
{
    QString name = QSysInfo::kernelType();
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

QString HelpBoxes::aboutTitle()
{
    return tr("About %1").arg(AppIdentity::productTitle());
}

QString HelpBoxes::aboutText(Edition edition)
{
    const QString title = AppIdentity::productTitle().toHtmlEscaped();
    const QString site = WebSite::base().toString();
    const QString mail = QStringLiteral("mailto:contact@vexo-media.org?subject=%1")
                                 .arg(QString::fromLatin1(QUrl::toPercentEncoding(AppIdentity::productTitle())));
    return tr("<b>About %1</b><br><br>"
              "Version %2 %3 %4 (%5)<br>"
              "Running with Qt %6<br>"
              "Contact: %7<br><br>"
              "<b>%1</b> is an audio/video encoder as well as a powerful DVD copier. You can load DVDs and quiet any "
              "audio or video files and encode to most popular video formats: VCD/CVD/SVCD/DVD, Xvid/Divx, MPEG-4, "
              "H.264, AVC, Flash Video, iPod, Sony PSP, QuickTime, Ogg, WebM and audio fortmats: AC.3, MP3, MP4/AAC, "
              "Lossless Audio, PCM, Vorbis etc.<br>"
              "%8%9")
            .arg(title, QString::fromLatin1(AppIdentity::kFullVersion), tr("build"),
                 QString::fromLatin1(AppIdentity::kBuildNumber), platformName().toHtmlEscaped(),
                 QString::fromLatin1(qVersion()), link(mail, tr("%1 team").arg(AppIdentity::productTitle())),
                 edition == Edition::Extended
                         ? tr("<b>%1</b> also encodes H.264 with x264 and muxes Matroska with MKVmerge.<br>")
                                   .arg(AppIdentity::applicationTitle().toHtmlEscaped())
                         : QString(),
                 link(site, site));
}

QString HelpBoxes::creditsText(Edition edition)
{
    const QString product = QString::fromLatin1(AppIdentity::kProductName);
    QString text = QStringLiteral("<b>%1</b><br>%2<br>")
                           .arg(product.toHtmlEscaped(),
                                link(WebSite::base().toString(),
                                     tr("%1 releases and editions by the %2 project")
                                             .arg(AppIdentity::productTitle(), product)));
    QString section;
    for (const CreditEntry &entry : kCredits) {
        if (entry.extendedOnly && edition != Edition::Extended)
            continue;
        if (section != QLatin1String(entry.section)) {
            section = QLatin1String(entry.section);
            text += QStringLiteral("<br><b>%1</b><br>").arg(tr(entry.section).toHtmlEscaped());
        }
        text += QStringLiteral("%1 - %2<br>")
                        .arg(link(QString::fromLatin1(entry.address), QString::fromLatin1(entry.project)),
                             tr(entry.role).toHtmlEscaped());
    }
    return text;
}

void HelpBoxes::about(QWidget *parent, Edition edition)
{
    QMessageBox::about(parent, aboutTitle(), aboutText(edition));
}

void HelpBoxes::credits(QWidget *parent, Edition edition)
{
    QMessageBox::about(parent, tr("Credits"), creditsText(edition));
}

QUrl HelpBoxes::onlineHelpPage()
{
    return WebSite::page(QStringLiteral("/vexo/help"));
}

QUrl HelpBoxes::onlineFaqPage()
{
    return WebSite::page(QStringLiteral("/vexo/faq.php"));
}

bool HelpBoxes::onlineHelp()
{
    return WebSite::openLink(onlineHelpPage());
}

bool HelpBoxes::onlineFaq()
{
    return WebSite::openLink(onlineFaqPage());
}
