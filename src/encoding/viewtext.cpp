#include "encoding/viewtext.h"

#include <QLabel>

QString ViewText::escaped(const QString &plain)
{
    return plain.toHtmlEscaped();
}

QString ViewText::richToolTip(const QString &html)
{
    // A tip is shown as rich text only when Qt guesses so from its first line: "a &amp; b"
    // alone would be shown with its entity. The "<qt>" marker settles the guess.
    if (html.startsWith(QLatin1String("<qt>")))
        return html;
    return QStringLiteral("<qt>") + html;
}

QString ViewText::withoutMnemonic(const QString &plain)
{
    QString text = plain;
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

void ViewText::setText(QLabel *label, const QString &text)
{
    if (label->text() != text)
        label->setText(text);
}

void ViewText::setToolTip(QWidget *widget, const QString &text)
{
    if (widget->toolTip() != text)
        widget->setToolTip(text);
}

QLabel *ViewText::figureLabel(QWidget *parent, int widthChars, const QString &toolTip)
{
    auto *label = new QLabel(QStringLiteral("--"), parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(widthChars * label->fontMetrics().averageCharWidth());
    label->setToolTip(toolTip);
    return label;
}
