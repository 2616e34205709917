#pragma once

#include <QList>
#include <QString>

namespace velkora::formats {

// The field types of Ld_Tipo: "01" NUMERO, "02" TEXTO, "03" Fecha, "04" CONSTANTE, "05" SQL.
enum class FieldType { Numero, Texto, Fecha, Constante, Sql, Unknown };

FieldType fieldTypeFromCode(const QString &code);
QString fieldTypeName(FieldType type); // "NUMERO", "TEXTO", "Fecha", "CONSTANTE", "SQL"

// One field definition (a Layout_Detalle row).
struct FieldDef {
    QString lineOrder; // Ly_ID of its line type, as stored
    QString id;        // Ld_ID, as stored
    QString description;
    int position = 0; // first character, counted from 1
    int length = 0;
    QString typeCode;  // Ld_Tipo as stored
    QString value;     // Ld_Valor: the constant, or the SQL expression
    QString format;    // Ld_Formato
    bool trim = false; // Ld_Trim is "SI"

    FieldType type() const { return fieldTypeFromCode(typeCode); }
    friend bool operator==(const FieldDef &, const FieldDef &) = default;
};

// One line type (a Layout row's line columns) with its fields in the order of their numbers.
struct LineType {
    QString order;  // Ly_ID, as stored
    QString lineId; // Ly_Linea_ID: the ID value that marks a line of this type
    QString description;
    int position = 0; // where the ID value stands, counted from 1
    int length = 0;
    QList<FieldDef> fields;
    friend bool operator==(const LineType &, const LineType &) = default;
};

// One rule the file must keep (a Layout_Regla row; see docs/rules.md).
struct RuleDef {
    QString id;        // Lr_ID: the rule's number, "0001"...
    QString lineOrder; // Ly_ID of its line type; empty for the whole file
    QString fieldId;   // Ld_ID of its field; empty for the line type itself
    QString text;      // Lr_Regla: "LONGITUD 80", "SUMA 0006.0005 DESDE 0005"...
    QString description;
    friend bool operator==(const RuleDef &, const RuleDef &) = default;
};

// A stored load format: the header and its line types in the order of their numbers.
struct LoadFormat {
    QString key;
    QString description;
    QString file;         // Ly_Archivo
    bool reverse = false; // Ly_Inverso is "SI"
    QString state;        // Es_Cve_Estado: "AC" active, "BA" deactivated
    QList<LineType> lineTypes;
    // Field definitions whose Ly_ID names no line type of the key; the test reports them.
    QList<FieldDef> orphanFields;
    QList<RuleDef> rules; // in the order of their numbers
    // False when the database has no table of rules (made before rules existed): the review
    // of the format says that rules are not available.
    bool rulesAvailable = true;
    // Equal values are the same format, field for field; what the store writes of a value, its
    // reader gives back equal.
    friend bool operator==(const LoadFormat &, const LoadFormat &) = default;
};

// The number of an order text such as Ly_ID or Ld_ID ("0010" is 10); -1 when it is not a
// whole number of at most 18 digits (blanks around are allowed).
qint64 orderNumber(const QString &text);

} // namespace velkora::formats
