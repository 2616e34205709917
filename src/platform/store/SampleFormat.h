#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace velkora::store {

// The sample load format that a new database receives: a bank statement under key "0001"
// ("Extracto bancario") with a header line type "H", a movement line type "D" and a trailer
// line type "T", and its fixed-width sample file.
namespace sample {

struct Field {
    QString id; // Ld_ID, four digits
    QString description;
    int position = 0; // first position, 1-based
    int length = 0;
    QString type;  // "01" NUMERO, "02" TEXTO, "03" Fecha, "04" CONSTANTE, "05" SQL
    QString value; // constant value
    QString format;
    QString trim; // "SI" / "NO"
};

struct LineType {
    QString id; // Ly_ID, four digits
    QString description;
    QString lineId; // the ID value that marks a line of this type
    int position = 0;
    int length = 0;
    QList<Field> fields;
};

QString key();
QString description();
QString fileName(); // the sample file's name inside the sample folder
QList<LineType> lineTypes();
// The sample file's lines, each matching one of the line types.
QStringList fileLines();

} // namespace sample

// Stores the sample load format on the named connection, in one transaction, with bound
// values, and writes its sample file into sampleDir (created when missing). A database that
// already holds the sample's key is left untouched and no file is written.
void storeSampleFormats(const QString &connectionName, const QString &sampleDir);

} // namespace velkora::store
