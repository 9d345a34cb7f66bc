#include "app/appidentity.h"
#include "gui4/gui4resources.h"
#include "testregistry.h"

#include <QApplication>
#include <QIcon>
#include <QSettings>
#include <QTest>

class TestAppIdentity : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_savedName = QCoreApplication::applicationName();
        m_savedOrganization = QCoreApplication::organizationName();
    }
    void cleanup()
    {
        // Other test classes in this executable keep the sandbox's names.
        QCoreApplication::setApplicationName(m_savedName);
        QCoreApplication::setOrganizationName(m_savedOrganization);
    }

    void namesAndIcon()
    {
        initGui4Resources();
        AppIdentity::apply();
        QCOMPARE(QCoreApplication::applicationName(), QString("Vexo 4.0 Mervo Edition"));
        QCOMPARE(QCoreApplication::organizationDomain(), QString("Vexo"));
        // The settings file lives under the organisation name: it must never change.
        QCOMPARE(QCoreApplication::organizationName(), QString("vexo-media.org"));
        const QIcon icon = QApplication::windowIcon();
        QVERIFY(!icon.isNull());
        QVERIFY(!icon.pixmap(32, 32).isNull());
    }

    void settingsStoreUsesTheIdentity()
    {
        AppIdentity::apply();
        QSettings settings;
        QVERIFY(settings.fileName().contains("vexo-media.org"));
        QVERIFY(settings.fileName().contains("Vexo 4.0 Mervo Edition"));
        // The test sandbox keeps the store away from the user's own settings.
        QVERIFY(settings.fileName().contains("vexo-test-"));
    }

private:
    QString m_savedName;
    QString m_savedOrganization;
};

VEXO_TEST_CLASS(TestAppIdentity)
#include "tst_appidentity.moc"
