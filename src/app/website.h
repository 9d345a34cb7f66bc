#pragma once

#include <QString>
#include <QUrl>

// The program's web server (help, FAQ, download page, update service) and the one way the
// program opens links in the desktop's browser.
namespace WebSite {

// "http://www.vexo-media.org" unless a test pointed it at a server of its own.
QUrl base();
void setBase(const QUrl &base);
// The page at this path ("/vexo/help") on the web server.
QUrl page(const QString &path);

// Opens the link in the desktop's browser when it is an http or https address; any other
// scheme ("file:", "javascript:", a program's own) is refused with a log line. Returns
// whether the desktop took the link.
bool openLink(const QUrl &url);
bool openLink(const QString &link);

} // namespace WebSite
