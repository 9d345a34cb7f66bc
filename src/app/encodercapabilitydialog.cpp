#include "app/encodercapabilitydialog.h"

#include "app/capabilitylists.h"
#include "encoder/records/enginecapabilities.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QMap<QString, QString> kNoEntries;

// One category's page: its main group, then one group per library, then a stretch.
QWidget *categoryPage(const QString &title, const QMap<QString, QString> *map,
                      const QMap<QString, QStringList> *libraries, QList<QListWidgetItem *> &items)
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    const QMap<QString, QString> &entries = map ? *map : kNoEntries;
    layout->addWidget(CapabilityLists::mainGroup(title, entries, items, page));
    if (libraries) {
        for (auto it = libraries->cbegin(); it != libraries->cend(); ++it)
            layout->addWidget(CapabilityLists::libraryGroup(it.key(), it.value(), int(entries.size()), page));
    }
    layout->addStretch();
    return page;
}

bool hasEntries(const QMap<QString, QString> *map)
{
    return map && !map->isEmpty();
}

} // namespace

EncoderCapabilityDialog::EncoderCapabilityDialog(const QString &engineName, EngineCapabilities *capabilities,
                                                 QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("%1 engine capabilities").arg(engineName));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setMinimumWidth(260);
    const EngineCapabilities &caps = *capabilities;
    m_videoPage = categoryPage(tr("Available video codecs"), caps.videoCodecMap, caps.lavcVideoCodecMap, m_videoItems);
    m_audioPage = categoryPage(tr("Available audio codecs"), caps.audioCodecMap, caps.lavcAudioCodecMap, m_audioItems);
    m_subtitlePage = categoryPage(tr("Available subtitle codecs"), caps.subtitleCodecMap,
                                  caps.lavcSubtitleCodecMap, m_subtitleItems);
    m_formatPage = categoryPage(tr("Available file formats"), caps.muxerMap, caps.lavfMuxerMap, m_formatItems);

    m_tabs = new QTabWidget(this);
    m_tabs->setMovable(false);
    const struct {
        QWidget *page;
        bool shown;
        QString title;
    } tabs[] = {
        {m_formatPage, hasEntries(caps.muxerMap), tr("Format")},
        {m_videoPage, hasEntries(caps.videoCodecMap), tr("Video")},
        {m_audioPage, hasEntries(caps.audioCodecMap), tr("Audio")},
        {m_subtitlePage, hasEntries(caps.subtitleCodecMap), tr("Subtitle")},
    };
    for (const auto &tab : tabs) {
        if (tab.shown)
            m_tabs->addTab(tab.page, tab.title);
    }
    // An engine that reported nothing still shows its (empty) video list.
    if (m_tabs->count() == 0)
        m_tabs->addTab(m_videoPage, tr("Video"));
    // Pages not shown have no parent yet: the dialog owns them all the same.
    for (QWidget *page : {m_videoPage, m_audioPage, m_subtitlePage, m_formatPage}) {
        if (!page->parent())
            page->setParent(this), page->hide();
    }
    m_tabs->setCurrentIndex(0);

    m_buttons = CapabilityLists::layOutTabs(this, m_tabs);
}
