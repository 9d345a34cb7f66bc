#include "encoding/advancedmonitorwidget.h"

#include "encoding/encodinglogging.h"

#include <QLabel>
#include <QTextCursor>
#include <QTextDocument>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr int Gap = 20;
constexpr int EdgeMargin = 10;
}

AdvancedMonitorWidget::AdvancedMonitorWidget(QWidget *reference, QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(tr("Advanced Monitor"));
    resetGeometry(reference);
    hide();
}

void AdvancedMonitorWidget::addMonitor(const QString &label, QTextEdit *source)
{
    if (!m_layout)
        m_layout = new QVBoxLayout(this);
    MonitorChannel channel;
    channel.mirror = new QTextEdit(this);
    channel.mirror->setReadOnly(true);
    channel.mirror->document()->setUndoRedoEnabled(false);
    channel.mirror->setPlainText(source->toPlainText());
    channel.label = new QLabel(label, this);
    channel.source = source;
    m_channels.append(channel);
    m_layout->addWidget(channel.label);
    m_layout->addWidget(channel.mirror);
    // Each change is copied alone: a console that grows line by line would otherwise be
    // copied whole on every line, and all the others with it.
    connect(source->document(), &QTextDocument::contentsChange, channel.mirror,
            [this, source](int position, int removed, int added) {
                if (MonitorChannel *changed = findChannel(source))
                    mirrorChange(*changed, position, removed, added);
            });
}

void AdvancedMonitorWidget::updateLog()
{
    for (const MonitorChannel &channel : std::as_const(m_channels))
        channel.mirror->setPlainText(channel.source->toPlainText());
}

void AdvancedMonitorWidget::mirrorChange(const MonitorChannel &channel, int position, int removed,
                                         int added)
{
    QTextDocument *source = channel.source->document();
    QTextDocument *mirror = channel.mirror->document();
    // The mirror holds the source's plain text, character for character, as it was before
    // this change; a source with rich structure (a table, a frame) does not map so, and is
    // copied whole.
    const int last = source->characterCount() - 1;
    const bool mapped = mirror->characterCount() == source->characterCount() - added + removed
                        && position >= 0 && position + added <= last
                        && position + removed <= mirror->characterCount() - 1;
    if (!mapped) {
        channel.mirror->setPlainText(channel.source->toPlainText());
        return;
    }
    QTextCursor from(source);
    from.setPosition(position);
    from.setPosition(position + added, QTextCursor::KeepAnchor);
    QTextCursor to(mirror);
    to.setPosition(position);
    to.setPosition(position + removed, QTextCursor::KeepAnchor);
    to.insertText(from.selectedText());
}

MonitorChannel *AdvancedMonitorWidget::findChannel(const QTextEdit *source)
{
    for (MonitorChannel &channel : m_channels) {
        if (channel.source == source)
            return &channel;
    }
    return nullptr;
}

bool AdvancedMonitorWidget::anyMirrorVisible() const
{
    for (const MonitorChannel &channel : m_channels) {
        if (!channel.mirror->isHidden())
            return true;
    }
    return false;
}

void AdvancedMonitorWidget::showChannel(QTextEdit *source)
{
    if (MonitorChannel *channel = findChannel(source)) {
        channel->mirror->show();
        channel->label->show();
    }
    if (anyMirrorVisible())
        show();
}

void AdvancedMonitorWidget::hideChannel(QTextEdit *source)
{
    if (MonitorChannel *channel = findChannel(source)) {
        channel->mirror->hide();
        channel->label->hide();
    }
    if (!anyMirrorVisible())
        hide();
}

void AdvancedMonitorWidget::setLineWrap(QTextEdit *source, QTextEdit::LineWrapMode mode)
{
    if (MonitorChannel *channel = findChannel(source))
        channel->mirror->setLineWrapMode(mode);
}

void AdvancedMonitorWidget::clearAll()
{
    for (const MonitorChannel &channel : std::as_const(m_channels)) {
        channel.mirror->clear();
        channel.source->clear();
    }
}

QPoint AdvancedMonitorWidget::placement(const QPoint &position, int width, const QRect &available,
                                        int monitorWidth)
{
    const int right = position.x() + width + Gap;
    const int left = std::max(position.x() - monitorWidth - Gap, available.left() + EdgeMargin);
    qCDebug(lcEncoding) << "x1:" << right << "x2:" << left;
    int x = left;
    if (position.x() >= 0) {
        // QRect's right edge is inclusive: the width is right - left + 1.
        if (right < available.right() - available.left() + 1 - monitorWidth)
            x = right;
    } else if (right < -monitorWidth - Gap) {
        x = right;
    }
    return QPoint(x, position.y());
}

void AdvancedMonitorWidget::resetGeometry(QWidget *reference)
{
    if (!reference) {
        resize(Width, Width);
        return;
    }
    qCDebug(lcEncoding) << "Advanced Monitor: console& =" << reference;
    qCDebug(lcEncoding) << "Advanced Monitor: console size =" << reference->size()
                        << "console position =" << reference->pos();
    QScreen *screen = reference->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    qCDebug(lcEncoding) << "Console screen number :" << (screen ? screen->name() : QString());
    qCDebug(lcEncoding) << "Console screen available geometry:" << available;
    resize(Width, reference->height());
    move(placement(reference->pos(), reference->width(), available, width()));
    qCDebug(lcEncoding) << "Advanced Monitor: size =" << size() << "position =" << pos();
}

void AdvancedMonitorWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    emit visible();
}

void AdvancedMonitorWidget::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    emit hidden();
}
