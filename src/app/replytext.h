#pragma once

#include <QString>

// The update service's texts as the dialog shows them. A reply comes over plain http, so
// whoever is on the path decides what it holds: shown as rich text unchanged, an <img> of
// "file:///dev/zero" reads until the memory runs out, one of a FIFO blocks the window, and a
// few hundred nested tables or divisions take minutes to lay out.
//
// Only the formatting a service plausibly sends is kept: bold (<b>, <strong>), italics
// (<i>, <em>), line breaks (<br>), paragraphs (<p>) and links to http and https addresses
// (<a href>), with character references (&amp;, &#233;). Every other tag is shown as the
// text it is. What comes out is flat (no tag inside another of its kind, no resource) and
// holds at most MaximumShownCharacters characters of text, so laying it out is quick.
namespace ReplyText {

constexpr int MaximumShownCharacters = 4096;
// A "<" without a ">" this close is shown as text.
constexpr int MaximumTagLength = 1024;
// Consecutive line breaks kept (a paragraph counts two).
constexpr int MaximumBreaks = 4;

QString richText(const QString &value);

} // namespace ReplyText
