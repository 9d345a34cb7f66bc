#pragma once

#include <QString>

class QLabel;
class QWidget;

// Text handling shared by the job views. Names and paths come from files and engines, so
// wherever they go into rich text they are escaped; and a view updated per progress line
// changes its widgets only when the text really changes.
class ViewText
{
public:
    // The text with "<", ">", "&" and quotes escaped for a rich text.
    static QString escaped(const QString &plain);
    // A tool tip that is always read as rich text (escaped names then show as written,
    // whatever else the tip holds); `html` must already be escaped.
    static QString richToolTip(const QString &html);
    // The text for a widget that reads "&" as a keyboard mnemonic (a box's title, a
    // button): each "&" doubled, so that a file name shows as written.
    static QString withoutMnemonic(const QString &plain);

    // A "--" figure framed as a sunken panel, aligned right, at least `widthChars` average
    // characters wide: the time left and the speed of the extended consoles and strips.
    static QLabel *figureLabel(QWidget *parent, int widthChars, const QString &toolTip);

    static void setText(QLabel *label, const QString &text);
    static void setToolTip(QWidget *widget, const QString &text);
};
