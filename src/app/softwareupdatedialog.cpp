#include "app/softwareupdatedialog.h"

#include "app/appidentity.h"
#include "app/replytext.h"
#include "app/softwareupdate.h"
#include "app/website.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

QString productName()
{
    return QString::fromLatin1(AppIdentity::kProductName);
}

QString shortVersion()
{
    return QString::fromLatin1(AppIdentity::kShortVersion);
}

// A rich-text label whose links go through the web-address check, never straight to the desktop.
QLabel *richLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    label->setOpenExternalLinks(false);
    QObject::connect(label, &QLabel::linkActivated, label, [](const QString &link) { WebSite::openLink(link); });
    return label;
}

} // namespace

SoftwareUpdateDialog::SoftwareUpdateDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("%1 %2 - Check for update").arg(productName(), shortVersion()));
    setFixedWidth(480);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    m_checker = new SoftwareUpdate(&m_response, &m_whatYouGet, &m_openUrl, &m_mervoUrl, this);

    auto *messageGroup = new QGroupBox(tr("Check for %1 %2 new release").arg(productName(), shortVersion()), this);
    auto *messageLayout = new QVBoxLayout(messageGroup);
    m_message = richLabel(messageGroup);
    m_message->setText(tr("Checking %1 %2 update server for new release...<br><br><br><br>")
                               .arg(productName(), shortVersion()));
    messageLayout->addWidget(m_message);
    messageLayout->addStretch(5);

    m_extraGroup = new QGroupBox(tr("What you get"), this);
    auto *extraLayout = new QVBoxLayout(m_extraGroup);
    m_extraText = richLabel(m_extraGroup);
    extraLayout->addWidget(m_extraText);
    m_extraGroup->hide();

    auto *downloadGroup = new QGroupBox(tr("Download %1 %2").arg(productName(), shortVersion()), this);
    auto *downloadLayout = new QHBoxLayout(downloadGroup);
    m_openButton = new QPushButton(tr("%1 release").arg(productName()), downloadGroup);
    m_openButton->setToolTip(tr("Download the new %1 release").arg(productName()));
    m_mervoButton = new QPushButton(tr("Mervo Edition"), downloadGroup);
    m_mervoButton->setToolTip(tr("Download the new %1 Mervo Edition release").arg(productName()));
    m_homeButton = new QPushButton(tr("Download server"), downloadGroup);
    m_homeButton->setToolTip(tr("Visit %1 %2 download page").arg(productName(), shortVersion()));
    m_openButton->setEnabled(false);
    m_mervoButton->setEnabled(false);
    downloadLayout->addWidget(m_openButton);
    downloadLayout->addWidget(m_mervoButton);
    downloadLayout->addWidget(m_homeButton);

    auto *closeRow = new QHBoxLayout;
    closeRow->addStretch(3);
    m_closeButton = new QPushButton(tr("Close"), this);
    closeRow->addWidget(m_closeButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(messageGroup);
    layout->addWidget(m_extraGroup);
    layout->addWidget(downloadGroup);
    layout->addLayout(closeRow);

    connect(m_checker, &SoftwareUpdate::checkUpdateFailed, this, &SoftwareUpdateDialog::checkUpdateFailed);
    connect(m_checker, &SoftwareUpdate::checkUpdateSucceeded, this, &SoftwareUpdateDialog::checkUpdateDone);
    connect(m_openButton, &QPushButton::clicked, this, &SoftwareUpdateDialog::downloadOpen);
    connect(m_mervoButton, &QPushButton::clicked, this, &SoftwareUpdateDialog::downloadMervo);
    connect(m_homeButton, &QPushButton::clicked, this, &SoftwareUpdateDialog::downloadHome);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

SoftwareUpdateDialog::~SoftwareUpdateDialog()
{
    m_checker->disconnect(this);
}

void SoftwareUpdateDialog::checkUpdate()
{
    m_checker->checkUpdate();
}

void SoftwareUpdateDialog::checkUpdateDone()
{
    m_openButton->setEnabled(!m_openUrl.isEmpty());
    m_mervoButton->setEnabled(!m_mervoUrl.isEmpty());
    // What the service sent is shown through ReplyText: kept formatting only, nothing loaded.
    if (!m_response.isEmpty())
        m_message->setText(ReplyText::richText(m_response));
    else
        m_message->setText(tr("<i>%1 %2 update server is not responding.</i><br><br>Please try later.")
                                   .arg(productName(), shortVersion()));
    m_extraText->setText(ReplyText::richText(m_whatYouGet));
    m_extraGroup->setVisible(!m_whatYouGet.isEmpty());
}

void SoftwareUpdateDialog::checkUpdateFailed(const QString &reason)
{
    QString text = reason.isEmpty() ? tr("unknown error") : reason;
    text[0] = text[0].toUpper();
    m_openButton->setEnabled(false);
    m_mervoButton->setEnabled(false);
    m_extraGroup->hide();
    // The reason may quote what the network said: shown as text, never as markup.
    m_message->setText(tr("<i>%1 %2 update server error.</i><br><br>").arg(productName(), shortVersion())
                       + QStringLiteral("<b>%1.</b>").arg(text.toHtmlEscaped()));
}

void SoftwareUpdateDialog::downloadHome()
{
    WebSite::openLink(WebSite::page(QStringLiteral("/vexo/download.php")));
}

void SoftwareUpdateDialog::downloadOpen()
{
    if (!m_openUrl.isEmpty())
        WebSite::openLink(m_openUrl);
}

void SoftwareUpdateDialog::downloadMervo()
{
    if (!m_mervoUrl.isEmpty())
        WebSite::openLink(m_mervoUrl);
}
