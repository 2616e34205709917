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
    QString key = "0001", id = "0001", lineId = "H", lineDescription = "Encabezado";
    QVariant position = 1, length = 1;
    QString description = "Pagos", file = "pagos.txt", inverso = "SI", user1 = "u1", user2 = "u2";
    QVariant user3 = 12.5, user4 = 0, date5 = QDate(2025, 3, 14), date6 = QDate(2026, 1, 31);
    QString estado = "AC";
};

// One Layout_Detalle row as a test writes it.
struct FieldRow {
    QString key = "0001", lineId = "0001", id = "0001";
    QVariant description = "Campo", position = 1, length = 2, trim = "SI", valor = "", formato = "",
             tipo = "02";
};

// Writes one row with bound values.
inline void insertRow(const TestDatabase &db, const QString &table, const QString &columns,
                      const QVariantList &values)
{
    QSqlQuery query(QSqlDatabase::database(db.connectionName(), false));
    const QString sql = "INSERT INTO " + table + " (" + columns + ") VALUES (" +
                        QStringList(values.size(), "?").join(", ") + ")";
    bool ok = query.prepare(sql);
    for (const QVariant &v : values)
        query.addBindValue(v);
    if (!ok || !query.exec())
        throw host::RuntimeError(sql + "\n" + query.lastError().text());
}
inline void insertLine(const TestDatabase &db, const LineRow &r)
{
    insertRow(db, "Layout",
              "Ly_Cve_Layout, Ly_Descripcion, Ly_Archivo, Ly_ID, Ly_Descripcion_ID, Ly_Linea_ID, "
              "Ly_Posicion, Ly_Longitud, Ly_Inverso, Ly_UserDef_1, Ly_UserDef_2, Ly_UserDef_3, "
              "Ly_UserDef_4, Ly_UserDef_5, Ly_UserDef_6, Oper_Alta, Oper_Ult_Modif, Es_Cve_Estado",
              {r.key, r.description, r.file, r.id, r.lineDescription, r.lineId, r.position,
               r.length, r.inverso, r.user1, r.user2, r.user3, r.user4, r.date5, r.date6, "T", "T",
               r.estado});
}
inline void insertField(const TestDatabase &db, const FieldRow &r)
{
    insertRow(db, "Layout_Detalle",
              "Ly_Cve_Layout, Ly_ID, Ld_ID, Ld_Descripcion, Ld_Posicion, Ld_Longitud, Ld_Trim, "
              "Ld_Valor, Ld_Formato, Ld_Tipo",
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

    template <typename T = velkora::controls::TextBox> T *child(const char *name) const
    {
        T *widget = screen->findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("LoadScreen: no child %s", name);
        return widget;
    }
    velkora::controls::TextBox *keyBox() const { return child("txtClave"); }
    using Bar = velkora::controls::Controles;
    using Grid = velkora::controls::DataGrid;
    Bar *toolbar() const { return child<Bar>("Controles"); }
    Grid *lineGrid() const { return child<Grid>("ssLinea"); }
    Grid *fieldGrid() const { return child<Grid>("ssDetalle"); }
    editor::FieldStore &store() const
    {
        return *child<editor::FieldStoreView>("lvDetalle")->store();
    }
    QString text(const char *name) const { return child(name)->text(); }
    // The toolbar's flags: record loaded, edit, deactivate and reactivate allowed ("LEDR"),
    // each "-" when off.
    QString flags() const
    {
        const Bar *b = toolbar();
        return QString(b->RecordLoaded() ? "L" : "-") + (b->EditAllowed() ? "E" : "-") +
               (b->DeactivateAllowed() ? "D" : "-") + (b->ReactivateAllowed() ? "R" : "-");
    }

    // Types the key into the key box as the user does (over whatever it holds) and, when
    // confirm is set, presses Enter.
    void typeKey(const QString &typed, bool confirm = true)
    {
        auto *box = keyBox();
        box->setFocus();
        box->selectAll();
        typed.isEmpty() ? QTest::keyClick(box, Qt::Key_Delete) : QTest::keyClicks(box, typed);
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

// Every row of the store (its key, then its columns) or of a grid, the cells joined by "|".
inline QStringList storeRows(const editor::FieldStore &store)
{
    QStringList rows;
    for (int i = 0; i < store.count(); ++i) {
        rows << store.key(i);
        for (int sub = 0; sub < editor::FieldStore::ColumnCount; ++sub)
            rows[i] += "|" + store.subItem(i, sub);
    }
    return rows;
}
inline QStringList gridRows(const velkora::controls::DataGrid *grid)
{
    QStringList rows;
    for (int row = 0; row < grid->Rows(); ++row) {
        QStringList cells;
        for (int column = 0; column < grid->columnCount(); ++column)
            cells << grid->cell(row, column).toString();
        rows << cells.join('|');
    }
    return rows;
}

// The one message shown: its id, style and title, from the module KESTA, owned by the screen.
inline void verifyMessage(const LoadScreen &s, const QString &id, int style, const QString &title)
{
    QCOMPARE(s.record->messages.size(), 1);
    const RecordedMessage &m = s.record->messages.first();
    QCOMPARE(QStringList({m.messageId, QString::number(m.style), m.title, m.module}),
             QStringList({"ERR-ID:" + id, QString::number(style), title, "KESTA"}));
    QCOMPARE(m.owner.data(), s.screen.get());
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
