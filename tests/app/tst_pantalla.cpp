// The component as the host meets it: found by its registered names, created, asked for its
// screen, given an owner.

#include "ComponentLoader.h"
#include "support/RecordingServices.h"

#include "host/RuntimeError.h"
#include "screen/frmKESTA.h"

#include <QJsonObject>
#include <QPluginLoader>
#include <QtTest>

using kesta::screen::frmKESTA;

class OwnerWithTransaction : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Transaccion READ Transaccion)
public:
    QString Transaccion() const { return QStringLiteral("TX-42"); }
};

class tst_Pantalla : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void servicesAreCreatedOnceInOrder();
    void registrationIdentifiersAreInTheMetadata();
    void unknownComponentIsReported();
    void getPantallaGivesOneScreen();
    void ownerAndTransaction();

private:
    QObject *createPantalla();
    frmKESTA *screen();

    std::shared_ptr<kesta::test::ServicesRecord> m_record;
    QObject *m_pantalla = nullptr;
};

void tst_Pantalla::initTestCase()
{
    // Installed before the component is first used, so its start-up routine creates these.
    m_record = kesta::test::installRecordingServices();
    m_pantalla = createPantalla();
    QVERIFY(m_pantalla);
}

QObject *tst_Pantalla::createPantalla()
{
    QString error;
    QObject *root = velkora::app::ComponentLoader::create(QStringLiteral("KESTA"),
                                                          QStringLiteral("Pantalla"), &error);
    if (!root)
        qWarning("%s", qPrintable(error));
    return root;
}

frmKESTA *tst_Pantalla::screen()
{
    return qobject_cast<frmKESTA *>(m_pantalla->property("GetPantalla").value<QObject *>());
}

void tst_Pantalla::servicesAreCreatedOnceInOrder()
{
    const QStringList creates = m_record->calls.filter(QStringLiteral("create("));
    QCOMPARE(creates, (QStringList{QStringLiteral("create(CoreServices)"),
                                   QStringLiteral("create(ToolServices)")}));

    // A second Pantalla (the host may create several) starts nothing again.
    std::unique_ptr<QObject> second(m_pantalla->metaObject()->newInstance());
    QVERIFY(second);
    QCOMPARE(m_record->calls.filter(QStringLiteral("create(")).size(), 2);
    QCOMPARE(second->property("GetPantalla").value<QObject *>(), static_cast<QObject *>(screen()));
}

void tst_Pantalla::registrationIdentifiersAreInTheMetadata()
{
    const QString file = velkora::app::ComponentLoader::findComponent(QStringLiteral("KESTA"),
                                                                      QStringLiteral("Pantalla"));
    QVERIFY(!file.isEmpty());
    const QJsonObject meta = QPluginLoader(file).metaData().value(QStringLiteral("MetaData")).toObject();
    const auto entry = [&meta](const char *object, const char *key) {
        return meta.value(QLatin1String(object)).toObject().value(QLatin1String(key)).toString();
    };
    QCOMPARE(meta.value(QStringLiteral("ClassId")).toString(),
             QStringLiteral("{AC974B0C-478F-419C-88E1-4C68ADECEF42}"));
    QCOMPARE(entry("Interface", "Id"), QStringLiteral("{FDB26452-76BB-491F-B092-D21E5B5DB276}"));
    QCOMPARE(entry("TypeLibrary", "Id"), QStringLiteral("{020A2890-FB58-4548-B680-9C16578ECC6D}"));
    QCOMPARE(entry("TypeLibrary", "Version"), QStringLiteral("1.0"));
}

void tst_Pantalla::unknownComponentIsReported()
{
    QString error;
    QVERIFY(!velkora::app::ComponentLoader::create(QStringLiteral("KESTA"), QStringLiteral("Otra"), &error));
    QVERIFY2(error.contains(QStringLiteral("KESTA.Otra")), qPrintable(error));
    QVERIFY(!velkora::app::ComponentLoader::create(QStringLiteral("NADA"), QStringLiteral("Pantalla"), &error));
    QVERIFY2(error.contains(QStringLiteral("not installed")), qPrintable(error));
}

void tst_Pantalla::getPantallaGivesOneScreen()
{
    const QVariant first = m_pantalla->property("GetPantalla");
    const QVariant second = m_pantalla->property("GetPantalla");
    QVERIFY(first.value<QObject *>());
    QCOMPARE(first.value<QObject *>(), second.value<QObject *>());
    frmKESTA *form = screen();
    QVERIFY(form);
    QCOMPARE(form->objectName(), QStringLiteral("frmKESTA"));
    // Created, not shown and not prepared.
    QVERIFY(!form->isVisible());
    QVERIFY(!form->loaded());
    QCOMPARE(m_record->count(QStringLiteral("GetSetting")), 0);
}

void tst_Pantalla::ownerAndTransaction()
{
    frmKESTA *form = screen();
    QVERIFY(!form->property("Padre").value<QObject *>());
    const int callsBefore = m_record->calls.size();
    // Without an owner, or with an owner that has no "Transaccion", nothing is resolved.
    QVERIFY_THROWS_EXCEPTION(kesta::host::RuntimeError, form->Transaccion());
    QObject plain;
    form->setPadre(&plain);
    QVERIFY_THROWS_EXCEPTION(kesta::host::RuntimeError, form->Transaccion());
    QCOMPARE(m_record->calls.size(), callsBefore);

    OwnerWithTransaction owner;
    QVERIFY(form->setProperty("Padre", QVariant::fromValue<QObject *>(&owner)));
    QCOMPARE(form->property("Padre").value<QObject *>(), static_cast<QObject *>(&owner));
    m_record->resolvedTransaction = QStringLiteral("Velkora/TX-42");
    QCOMPARE(form->property("Transaccion").toString(), QStringLiteral("Velkora/TX-42"));
    QCOMPARE(m_record->lastCall(QStringLiteral("ResolveTransaction")),
             QStringLiteral("ResolveTransaction(TX-42|Velkora)"));
    form->setPadre(nullptr);
}

QTEST_MAIN(tst_Pantalla)
#include "tst_pantalla.moc"
