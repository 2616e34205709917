#include "Statements.h"

#include "ColumnLimits.h"
#include "Dialect.h"
#include "Literals.h"

namespace velkora::store {

using kesta::host::Engine;

namespace {

// The key as it stands after "Ly_Cve_Layout = ": a quoted text.
QString keyLiteral(Engine engine, const QString &key)
{
    return quotedText(engine, key);
}

// A column list: each piece three blanks, the name and ", "; the last closes with ") ".
QString columnList(const QStringList &columns)
{
    QString text;
    for (qsizetype i = 0; i < columns.size(); ++i)
        text += QStringLiteral("   ") + columns[i] +
                (i + 1 < columns.size() ? QStringLiteral(", ") : QStringLiteral(") "));
    return text;
}

const QStringList &lineColumns()
{
    static const QStringList columns{
        QStringLiteral("Ly_Cve_Layout"),     QStringLiteral("Ly_Descripcion"),
        QStringLiteral("Ly_Archivo"),        QStringLiteral("Ly_ID"),
        QStringLiteral("Ly_Descripcion_ID"), QStringLiteral("Ly_Linea_ID"),
        QStringLiteral("Ly_Posicion"),       QStringLiteral("Ly_Longitud"),
        QStringLiteral("Ly_Inverso"),        QStringLiteral("Ly_UserDef_1"),
        QStringLiteral("Ly_UserDef_2"),      QStringLiteral("Ly_UserDef_3"),
        QStringLiteral("Ly_UserDef_4"),      QStringLiteral("Ly_UserDef_5"),
        QStringLiteral("Ly_UserDef_6"),      QStringLiteral("Fecha_Alta"),
        QStringLiteral("Fecha_Ult_Modif"),   QStringLiteral("Oper_Alta"),
        QStringLiteral("Oper_Ult_Modif"),    QStringLiteral("Es_Cve_Estado")};
    return columns;
}

const QStringList &fieldColumns()
{
    static const QStringList columns{
        QStringLiteral("Ly_Cve_Layout"), QStringLiteral("Ly_ID"),
        QStringLiteral("Ld_ID"),         QStringLiteral("Ld_Descripcion"),
        QStringLiteral("Ld_Posicion"),   QStringLiteral("Ld_Longitud"),
        QStringLiteral("Ld_Trim"),       QStringLiteral("Ld_Valor"),
        QStringLiteral("Ld_Formato"),    QStringLiteral("Ld_Tipo")};
    return columns;
}

const QString separator = QStringLiteral(", ");

// Line and field numbers are texts in their four-digit form ("0010", "10000"): ordered by
// their length first, they come in numeric order whatever their count.
QString numericOrder(Engine engine, const QString &column)
{
    return dialectFor(engine).lengthFunction() + QLatin1Char('(') + column + QStringLiteral("), ") +
           column;
}

// A user datum in its literal form, or NULL when it was read as NULL and left alone; the value
// is made (and checked) only when it is written.
template <typename MakeLiteral>
QString orNull(const LayoutLineValues &v, int n, MakeLiteral make)
{
    return v.userDataIsNull(n) ? QStringLiteral("NULL") : make();
}

// The same for a bound value: a null parameter.
template <typename MakeText>
QVariant boundOrNull(const LayoutLineValues &v, int n, MakeText make)
{
    return v.userDataIsNull(n) ? QVariant() : boundText(make());
}


} // namespace

QString loadHeaderSelect(Engine engine, const QString &key)
{
    return QStringLiteral("SELECT * ") + QStringLiteral("FROM Layout ") +
           QStringLiteral("WHERE Ly_Cve_Layout = ") + keyLiteral(engine, key) +
           QStringLiteral(" ") + QStringLiteral("ORDER BY ") + QStringLiteral("   ") +
           numericOrder(engine, QStringLiteral("Ly_ID"));
}

QString loadDetailSelect(Engine engine, const QString &key)
{
    return QStringLiteral("SELECT * ") + QStringLiteral("FROM Layout_Detalle ") +
           QStringLiteral("WHERE Ly_Cve_Layout = ") + keyLiteral(engine, key) +
           QStringLiteral(" ") + QStringLiteral("ORDER BY ") + QStringLiteral("   ") +
           numericOrder(engine, QStringLiteral("Ly_ID")) + QStringLiteral(", ") +
           QStringLiteral("   ") + numericOrder(engine, QStringLiteral("Ld_Id"));
}

bool detailRowsNeedLengthOrder(Engine engine)
{
    // SQL Server's LEN leaves blanks at the end uncounted: its engine keeps the ordering.
    return engine != Engine::SqlServer;
}

QString loadDetailRowsSelect(Engine engine, const QString &key)
{
    if (!detailRowsNeedLengthOrder(engine))
        return loadDetailSelect(engine, key);
    // The statement as the screen has always written it; the primary key's index gives this
    // order without a sort, and the rows are put in numeric order as they are read.
    return QStringLiteral("SELECT * ") + QStringLiteral("FROM Layout_Detalle ") +
           QStringLiteral("WHERE Ly_Cve_Layout = ") + keyLiteral(engine, key) +
           QStringLiteral(" ") + QStringLiteral("ORDER BY ") + QStringLiteral("   Ly_ID, ") +
           QStringLiteral("   Ld_Id");
}

QString loadRuleSelect(Engine engine, const QString &key)
{
    return QStringLiteral("SELECT Lr_ID, Ly_ID, Ld_ID, Lr_Regla, Lr_Descripcion FROM Layout_Regla "
                          "WHERE Ly_Cve_Layout = ") +
           keyLiteral(engine, key) + QStringLiteral(" ORDER BY ") +
           numericOrder(engine, QStringLiteral("Lr_ID"));
}

QString newKeyLock(Engine engine)
{
    return dialectFor(engine).newKeyLock();
}

QString storedKeySelect(Engine engine, const QString &key)
{
    return QStringLiteral("SELECT Ly_Descripcion ") + QStringLiteral("FROM Layout") +
           dialectFor(engine).newKeyLookupHints() + QStringLiteral(" ") +
           QStringLiteral("WHERE Ly_Cve_Layout = ") + keyLiteral(engine, key) +
           QStringLiteral(" ") + QStringLiteral("ORDER BY ") +
           numericOrder(engine, QStringLiteral("Ly_ID"));
}

QString deleteDetailRows(Engine engine, const QString &key)
{
    return dialectFor(engine).deleteVerb() +
           QStringLiteral("Layout_Detalle WHERE Ly_Cve_Layout = ") + keyLiteral(engine, key);
}

QString deleteLineRows(Engine engine, const QString &key)
{
    return dialectFor(engine).deleteVerb() + QStringLiteral("Layout WHERE Ly_Cve_Layout = ") +
           keyLiteral(engine, key);
}

QString lineInsert(Engine engine, const LayoutLineValues &v)
{
    // Every value followed by ", ", the last closing the list.
    const QStringList values{
        quotedText(engine, v.key),
        quotedText(engine, v.description),
        quotedText(engine, v.file),
        fourDigitText(engine, v.order),
        quotedText(engine, v.lineDescription),
        quotedText(engine, v.lineId),
        numberText(v.position, QStringLiteral("Ly_Posicion")),
        numberText(v.length, QStringLiteral("Ly_Longitud")),
        quotedText(engine, v.reverse ? QStringLiteral("SI") : QStringLiteral("NO")),
        orNull(v, 1, [&] { return quotedText(engine, v.user1); }),
        orNull(v, 2, [&] { return quotedText(engine, v.user2); }),
        orNull(v, 3,
               [&] {
                   return decimalText(engine, v.user3, QStringLiteral("Ly_UserDef_3"),
                                      UserNumberDigits, UserNumberDecimals);
               }),
        orNull(v, 4,
               [&] {
                   return decimalText(engine, v.user4, QStringLiteral("Ly_UserDef_4"),
                                      UserNumberDigits, UserNumberDecimals);
               }),
        orNull(v, 5, [&] { return dateText(engine, v.date5); }),
        orNull(v, 6, [&] { return dateText(engine, v.date6); }),
        stampText(engine, v.stamp),
        stampText(engine, v.stamp),
        operatorText(engine, v.operatorAlta),
        operatorText(engine, v.operatorModif),
        QStringLiteral("'AC'"),
    };
    return QStringLiteral("INSERT INTO Layout(") + columnList(lineColumns()) +
           QStringLiteral("VALUES (") + values.join(separator) + QStringLiteral(")");
}

namespace {

// A field's values in their literal forms, in the order of fieldColumns(), as "(...)".
QString fieldValues(Engine engine, const LayoutFieldValues &v)
{
    const QStringList values{
        quotedText(engine, v.key),
        fourDigitText(engine, v.lineId),
        fourDigitText(engine, v.id),
        quotedText(engine, v.description),
        numberText(v.position, QStringLiteral("Ld_Posicion")),
        numberText(v.length, QStringLiteral("Ld_Longitud")),
        quotedText(engine, v.trim),
        doubleQuotedText(engine, v.valor),
        quotedText(engine, v.formato),
        quotedText(engine, v.tipo),
    };
    return QLatin1Char('(') + values.join(separator) + QLatin1Char(')');
}

// "INSERT INTO Layout_Detalle(   Ly_Cve_Layout, ...) VALUES ", made once.
const QString &fieldInsertStart()
{
    static const QString start = QStringLiteral("INSERT INTO Layout_Detalle(") +
                                 columnList(fieldColumns()) + QStringLiteral("VALUES ");
    return start;
}

} // namespace

QString fieldInsert(Engine engine, const LayoutFieldValues &v)
{
    return fieldInsertStart() + fieldValues(engine, v);
}

QString fieldsInsert(Engine engine, const QList<LayoutFieldValues> &rows)
{
    QString text = fieldInsertStart();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (i > 0)
            text += separator;
        text += fieldValues(engine, rows.at(i));
    }
    return text;
}

namespace {

// "(?, ?, ...)" with one placeholder per column, and `last` after them when not empty.
QString placeholders(qsizetype count, const QString &last = {})
{
    QStringList marks(count, QStringLiteral("?"));
    if (!last.isEmpty())
        marks << last;
    return QLatin1Char('(') + marks.join(separator) + QLatin1Char(')');
}

} // namespace

QString lineInsertTemplate()
{
    // Es_Cve_Estado, the last column, is always 'AC'.
    return QStringLiteral("INSERT INTO Layout(") + columnList(lineColumns()) +
           QStringLiteral("VALUES ") +
           placeholders(lineColumns().size() - 1, QStringLiteral("'AC'"));
}

QVariantList lineParameters(const LayoutLineValues &v)
{
    return {
        boundText(v.key),
        boundText(v.description),
        boundText(v.file),
        boundText(fourDigits(v.order)),
        boundText(v.lineDescription),
        boundText(v.lineId),
        boundNumber(v.position, QStringLiteral("Ly_Posicion")),
        boundNumber(v.length, QStringLiteral("Ly_Longitud")),
        boundText(v.reverse ? QStringLiteral("SI") : QStringLiteral("NO")),
        boundOrNull(v, 1, [&] { return v.user1; }),
        boundOrNull(v, 2, [&] { return v.user2; }),
        boundOrNull(v, 3,
                    [&] {
                        return decimalNumber(v.user3, QStringLiteral("Ly_UserDef_3"),
                                             UserNumberDigits, UserNumberDecimals);
                    }),
        boundOrNull(v, 4,
                    [&] {
                        return decimalNumber(v.user4, QStringLiteral("Ly_UserDef_4"),
                                             UserNumberDigits, UserNumberDecimals);
                    }),
        boundOrNull(v, 5, [&] { return v.date5; }),
        boundOrNull(v, 6, [&] { return v.date6; }),
        boundText(v.stamp),
        boundText(v.stamp),
        boundText(v.operatorAlta),
        boundText(v.operatorModif),
    };
}

QString fieldInsertTemplate()
{
    return fieldInsertStart() + placeholders(fieldColumns().size());
}

QVariantList fieldParameters(const LayoutFieldValues &v)
{
    return {
        boundText(v.key),
        boundText(fourDigits(v.lineId)),
        boundText(fourDigits(v.id)),
        boundText(v.description),
        boundNumber(v.position, QStringLiteral("Ld_Posicion")),
        boundNumber(v.length, QStringLiteral("Ld_Longitud")),
        boundText(v.trim),
        boundText(v.valor),
        boundText(v.formato),
        boundText(v.tipo),
    };
}

QString quotedIdentifierOff(Engine engine)
{
    return dialectFor(engine).usesQuotedIdentifierSetting()
               ? QStringLiteral("SET QUOTED_IDENTIFIER OFF")
               : QString();
}

QString quotedIdentifierOn(Engine engine)
{
    return dialectFor(engine).usesQuotedIdentifierSetting()
               ? QStringLiteral("SET QUOTED_IDENTIFIER ON")
               : QString();
}

QStringList fieldStatements(Engine engine, const LayoutFieldValues &values)
{
    const QString insert = fieldInsert(engine, values);
    if (!dialectFor(engine).usesQuotedIdentifierSetting())
        return {insert};
    return {quotedIdentifierOff(engine), insert, quotedIdentifierOn(engine)};
}

QString deactivateUpdate(Engine engine, const QString &key, const QString &operatorModif,
                         const QString &stamp, const QString &operatorBaja)
{
    return QStringLiteral("UPDATE Layout SET ") + QStringLiteral("   Oper_Ult_Modif = ") +
           operatorText(engine, operatorModif) + separator +
           QStringLiteral("   Fecha_Ult_Modif = ") + stampText(engine, stamp) + separator +
           QStringLiteral("   Oper_Baja = ") + operatorText(engine, operatorBaja) + separator +
           QStringLiteral("   Fecha_Baja= ") + stampText(engine, stamp) + separator +
           QStringLiteral("   Es_Cve_Estado = 'BA' ") + QStringLiteral("WHERE Ly_Cve_Layout = ") +
           keyLiteral(engine, key);
}

QString reactivateUpdate(Engine engine, const QString &key, const QString &operatorModif,
                         const QString &stamp)
{
    return QStringLiteral("UPDATE Layout SET ") + QStringLiteral("Oper_Ult_Modif = ") +
           operatorText(engine, operatorModif) + separator + QStringLiteral("Fecha_Ult_Modif = ") +
           stampText(engine, stamp) + separator + QStringLiteral("Oper_Baja = '', ") +
           QStringLiteral("Fecha_Baja= NULL, ") + QStringLiteral("Es_Cve_Estado = 'AC' ") +
           QStringLiteral("WHERE Ly_Cve_Layout = ") + keyLiteral(engine, key);
}

QString scriptLayoutSelect(Engine engine, const QString &key)
{
    return QStringLiteral("SELECT * FROM Layout WHERE Ly_Cve_Layout = ") + keyLiteral(engine, key) +
           QStringLiteral(" ");
}

QString scriptDetailSelect(Engine engine, const QString &key)
{
    return QStringLiteral("SELECT * FROM Layout_Detalle WHERE Ly_Cve_Layout = ") +
           keyLiteral(engine, key) + QStringLiteral(" ");
}

QString scriptRuleSelect(Engine engine, const QString &key)
{
    return QStringLiteral("SELECT * FROM Layout_Regla WHERE Ly_Cve_Layout = ") +
           keyLiteral(engine, key) + QStringLiteral(" ");
}

} // namespace velkora::store
