#include "app/appidentity.h"
#include "jobs/producttitle.h"

#include <QApplication>
#include <QIcon>

QString AppIdentity::productTitle()
{
    return ::productTitle();
}

QString AppIdentity::applicationTitle()
{
    return QCoreApplication::translate("main", "%1 Mervo Edition").arg(productTitle());
}

void AppIdentity::apply()
{
    QCoreApplication::setApplicationName(applicationTitle());
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(kOrganizationDomain));
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganizationName));
    QApplication::setWindowIcon(QIcon(QString::fromLatin1(kWindowIcon)));
}
