#pragma once

// What the load tests share: a shown screen over a recording services double, the rows a
// test writes into the tables with bound parameters, and the user's way of confirming a key.

#include "editor/FieldStore.h"
#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "screen/frmKESTA.h"
#include "support/RecordingServices.h"
#include "support/TestDatabase.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

#include <QCheckBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <memory>

namespace kesta::test {

// One Layout row as a test writes it.
struct LineRow {
    QString key = QStringLiteral("0001");
    QString id = QStringLiteral("0001");
    QString lineId = QStringLiteral("H");
    QString lineDescription = QStringLiteral("Encabezado");
    QVariant position = 1;
    QVariant length = 1;
    QString description = QStringLiteral("Pagos");
    QString file = QStringLiteral("pagos.txt");
    QString inverso = QStringLiteral("SI");
    QString user1 = QStringLiteral("u1");
    QString user2 = QStringLiteral("u2");
    QVariant user3 = 12.5;
    QVariant user4 = 0;
    QVariant date5 = QDate(2025, 3, 14);
    QVariant date6 = QDate(2026, 1, 31);
    QString estado = QStringLiteral("AC");
};

// One Layout_Detalle row as a test writes it.
struct FieldRow {
    QString key = QStringLiteral("0001");
    QString lineId = QStringLiteral("0001");
    QString id = QStringLiteral("0001");
    QVariant description = QStringLiteral("Campo");
    QVariant position = 1;
    QVariant length = 2;
    QVariant trim = QStringLiteral("SI");
    QVariant valor = QStringLiteral("");
    QVariant formato = QStringLiteral("");
    QVariant tipo = QStringLiteral("02");
};

inline void execBound(const TestDatabase &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery query(QSqlDatabase::database(db.connectionName(), false));
    if (!query.prepare(sql))
        throw host::RuntimeError(query.lastError().text());
    for (const QVariant &v : values)
        query.addBindValue(v);
    if (!query.exec())
        throw host::RuntimeError(sql + QStringLiteral("\n") + query.lastError().text());
}

inline void insertLine(const TestDatabase &db, const LineRow &r)
{
    execBound(
        db,
        QStringLiteral("INSERT INTO Layout (Ly_Cve_Layout, Ly_Descripcion, Ly_Archivo, Ly_ID, "
                       "Ly_Descripcion_ID, Ly_Linea_ID, Ly_Posicion, Ly_Longitud, Ly_Inverso, "
                       "Ly_UserDef_1, Ly_UserDef_2, Ly_UserDef_3, Ly_UserDef_4, Ly_UserDef_5, "
                       "Ly_UserDef_6, Oper_Alta, Oper_Ult_Modif, Es_Cve_Estado) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'T', 'T', ?)"),
        {r.key, r.description, r.file, r.id, r.lineDescription, r.lineId, r.position, r.length,
         r.inverso, r.user1, r.user2, r.user3, r.user4, r.date5, r.date6, r.estado});
}

inline void insertField(const TestDatabase &db, const FieldRow &r)
{
    execBound(db,
              QStringLiteral("INSERT INTO Layout_Detalle (Ly_Cve_Layout, Ly_ID, Ld_ID, "
                             "Ld_Descripcion, Ld_Posicion, Ld_Longitud, Ld_Trim, Ld_Valor, "
                             "Ld_Formato, Ld_Tipo) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
              {r.key, r.lineId, r.id, r.description, r.position, r.length, r.trim, r.valor,
               r.formato, r.tipo});
}

// The screen, shown, over the recording services double on the test's database.
class LoadScreen {
public:
    explicit LoadScreen(const QString &connectionName = {})
        : record(installRecordingServices(connectionName)),
          screen(std::make_unique<screen::frmKESTA>())
    {
        screen->show();
        if (!QTest::qWaitForWindowExposed(screen.get()))
            qWarning("LoadScreen: the screen was not exposed");
        record->calls.clear();
    }
    ~LoadScreen()
    {
        screen.reset();
        uninstallServices();
    }

    template <typename T> T *child(const char *name) const
    {
        T *widget = screen->findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("LoadScreen: no child %s", name);
        return widget;
    }
    velkora::controls::TextBox *keyBox() const
    {
        return child<velkora::controls::TextBox>("txtClave");
    }
    velkora::controls::Controles *toolbar() const
    {
        return child<velkora::controls::Controles>("Controles");
    }
    velkora::controls::DataGrid *lineGrid() const
    {
        return child<velkora::controls::DataGrid>("ssLinea");
    }
    velkora::controls::DataGrid *fieldGrid() const
    {
        return child<velkora::controls::DataGrid>("ssDetalle");
    }
    editor::FieldStore &store() const
    {
        return *child<editor::FieldStoreView>("lvDetalle")->store();
    }
    QString text(const char *name) const { return child<velkora::controls::TextBox>(name)->text(); }

    // Types the key into the key box as the user does (over whatever it holds) and, when
    // confirm is set, presses Enter.
    void typeKey(const QString &typed, bool confirm = true)
    {
        auto *box = keyBox();
        box->setFocus();
        box->selectAll();
        if (typed.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        else
            QTest::keyClicks(box, typed);
        if (confirm)
            QTest::keyClick(box, Qt::Key_Return);
    }

    // Starts recording afresh.
    void forget()
    {
        record->calls.clear();
        record->statements.clear();
        record->messages.clear();
    }

    std::shared_ptr<ServicesRecord> record;
    std::unique_ptr<screen::frmKESTA> screen;
};

// The store's column as a list, from the first row to the last.
inline QStringList storeColumn(const editor::FieldStore &store, int sub)
{
    QStringList values;
    for (int i = 0; i < store.count(); ++i)
        values << (sub < 0 ? store.key(i) : store.subItem(i, sub));
    return values;
}

// A grid's column as text values, from the first row to the last.
inline QStringList gridColumn(const velkora::controls::DataGrid *grid, const QString &column)
{
    QStringList values;
    for (int row = 0; row < grid->Rows(); ++row)
        values << grid->cell(row, column).toString();
    return values;
}

} // namespace kesta::test

Q_DECLARE_METATYPE(kesta::test::TestDatabase::Kind)

// Adds the rows "SQLite" and "PostgreSQL" with the column "kind".
#define KESTA_BOTH_ENGINES()                                                                       \
    do {                                                                                           \
        QTest::addColumn<::kesta::test::TestDatabase::Kind>("kind");                               \
        QTest::newRow("SQLite") << ::kesta::test::TestDatabase::Kind::Sqlite;                      \
        QTest::newRow("PostgreSQL") << ::kesta::test::TestDatabase::Kind::PostgreSql;              \
    } while (false)
