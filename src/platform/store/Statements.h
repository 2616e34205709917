#pragma once

#include "host/Connection.h"

#include <QString>
#include <QStringList>

namespace velkora::store {

// The statements that read and write the tables Layout and Layout_Detalle. Each builder is a
// pure function: it takes the engine and plain values and returns the statement text, blanks
// included. Values are placed in their literal forms (Literals.h), escaped; a bare value that
// is not a plain number raises kesta::host::RuntimeError.

// One Layout row as the save writes it: the line's columns from the line grid, the header's
// from the header controls, the stamps and operators from the services.
struct LayoutLineValues {
    QString key;             // Ly_Cve_Layout
    QString description;     // Ly_Descripcion
    QString file;            // Ly_Archivo
    QString order;           // Ly_ID, written in the four-digit form
    QString lineDescription; // Ly_Descripcion_ID
    QString lineId;          // Ly_Linea_ID
    QString position;        // Ly_Posicion, bare number
    QString length;          // Ly_Longitud, bare number
    bool reverse = false;    // Ly_Inverso: "SI" when true, "NO" otherwise
    QString user1;           // Ly_UserDef_1
    QString user2;           // Ly_UserDef_2
    QString user3;           // Ly_UserDef_3, bare number
    QString user4;           // Ly_UserDef_4, bare number
    QString date5;           // Ly_UserDef_5, the services' date text
    QString date6;           // Ly_UserDef_6, the services' date text
    QString stamp;           // Fecha_Alta and Fecha_Ult_Modif
    QString operatorAlta;    // Oper_Alta
    QString operatorModif;   // Oper_Ult_Modif
    // The user data written as NULL: those that were NULL when the format was read and that
    // the user left alone (bit n - 1 for Ly_UserDef_n). Their texts above are not written.
    quint8 nullUserData = 0;
    bool userDataIsNull(int n) const { return (nullUserData >> (n - 1)) & 1u; }
};

// One Layout_Detalle row as the save writes it from a field store row.
struct LayoutFieldValues {
    QString key;         // Ly_Cve_Layout
    QString lineId;      // Ly_ID (store column LineaID), four-digit form
    QString id;          // Ld_ID (store column Id), four-digit form
    QString description; // Ld_Descripcion
    QString position;    // Ld_Posicion, bare number
    QString length;      // Ld_Longitud, bare number
    QString trim;        // Ld_Trim, "SI" or "NO" as held
    QString valor;       // Ld_Valor, double-quoted on SQL Server
    QString formato;     // Ld_Formato
    QString tipo;        // Ld_Tipo
};

// The load: the key's Layout rows in Ly_ID order, and its Layout_Detalle rows in
// Ly_ID, Ld_Id order.
QString loadHeaderSelect(kesta::host::Engine engine, const QString &key);
QString loadDetailSelect(kesta::host::Engine engine, const QString &key);
// The screen's load of the Layout_Detalle rows: where the texts' lengths are counted as the
// screen counts them (SQLite, PostgreSQL), the rows in the primary key's order (Ly_ID, Ld_ID as
// the engine compares texts), which its index gives without a sort, and the caller orders them
// by the numbers' lengths (fieldRowsByLength); on SQL Server loadDetailSelect.
QString loadDetailRowsSelect(kesta::host::Engine engine, const QString &key);
bool detailRowsNeedLengthOrder(kesta::host::Engine engine);
// The key's Layout_Regla rows in Lr_ID order (only on a database that has the table).
QString loadRuleSelect(kesta::host::Engine engine, const QString &key);

// A new load format's save, inside its transaction and before anything is written: the lock
// that makes the key's lookup safe from another user's save of a new key (empty on the engines
// that need none), and the lookup of the key's stored rows (their descriptions, first the first
// line's).
QString newKeyLock(kesta::host::Engine engine);
QString storedKeySelect(kesta::host::Engine engine, const QString &key);

// The save: the two deletes of the key's rows, the line statement, and the field statement.
QString deleteDetailRows(kesta::host::Engine engine, const QString &key);
QString deleteLineRows(kesta::host::Engine engine, const QString &key);
QString lineInsert(kesta::host::Engine engine, const LayoutLineValues &values);
QString fieldInsert(kesta::host::Engine engine, const LayoutFieldValues &values);
// Several fields in one statement: fieldInsert's text with the rows' value lists one after
// the other ("VALUES (...), (...)"), for the engines that take a list of rows (not SQL Server,
// whose field statements need the QUOTED_IDENTIFIER switch around each).
QString fieldsInsert(kesta::host::Engine engine, const QList<LayoutFieldValues> &rows);
// The QUOTED_IDENTIFIER switch that SQL Server needs around each field statement; empty on
// the engines that have no such setting.
QString quotedIdentifierOff(kesta::host::Engine engine);
QString quotedIdentifierOn(kesta::host::Engine engine);
// The statements that store one field, in the order to run them: on SQL Server
// SET QUOTED_IDENTIFIER OFF, the field statement, SET QUOTED_IDENTIFIER ON; elsewhere the
// field statement alone.
QStringList fieldStatements(kesta::host::Engine engine, const LayoutFieldValues &values);

// The save's inserts with a placeholder (?) for each value, for the engines whose connections
// bind values (kesta::host::Connection::Prepare), and the values to bind, in the columns' order.
// The values are checked as the literal forms check them (a bare number that is not a plain number
// raises kesta::host::RuntimeError); they never enter the statement's text.
QString lineInsertTemplate();
QVariantList lineParameters(const LayoutLineValues &values);
QString fieldInsertTemplate();
QVariantList fieldParameters(const LayoutFieldValues &values);

// Deactivation and reactivation of every Layout row of the key.
QString deactivateUpdate(kesta::host::Engine engine, const QString &key,
                         const QString &operatorModif, const QString &stamp,
                         const QString &operatorBaja);
QString reactivateUpdate(kesta::host::Engine engine, const QString &key,
                         const QString &operatorModif, const QString &stamp);

// The selects whose rows the script command turns into a script text.
QString scriptLayoutSelect(kesta::host::Engine engine, const QString &key);
QString scriptDetailSelect(kesta::host::Engine engine, const QString &key);
QString scriptRuleSelect(kesta::host::Engine engine, const QString &key);

} // namespace velkora::store
