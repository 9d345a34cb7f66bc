#include "app/website.h"

#include "app/applogging.h"

#include <QDesktopServices>

namespace {

QUrl &currentBase()
{
    static QUrl base(QStringLiteral("http://www.vexo-media.org"));
    return base;
}

} // namespace

QUrl WebSite::base()
{
    return currentBase();
}

void WebSite::setBase(const QUrl &base)
{
    currentBase() = base;
}

QUrl WebSite::page(const QString &path)
{
    QUrl url = currentBase();
    url.setPath(path);
    return url;
}

bool WebSite::openLink(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        qCWarning(lcApp) << "link refused, not a web address:" << url.toDisplayString();
        return false;
    }
    // False when the desktop has nothing that opens it (no browser, no xdg-open).
    return QDesktopServices::openUrl(url);
}

bool WebSite::openLink(const QString &link)
{
    return openLink(QUrl(link, QUrl::StrictMode));
}
