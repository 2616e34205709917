#pragma once

#include "formats/LoadFormat.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace velkora::proposal {

// A field proposed for a line type, in the terms of a Layout_Detalle row.
struct ProposedField {
    int position = 0;      // first character, counted from 1
    int length = 0;
    QString typeCode;      // "01" NUMERO, "02" TEXTO, "03" Fecha, "04" CONSTANTE
    QString format;        // the date format of a Fecha ("DDMMYYYY"...), empty otherwise
    QString value;         // the constant of a CONSTANTE, empty otherwise
    bool trim = false;     // Ld_Trim "SI"
    QString description;   // "Campo 0001"... as the user would start from
    double confidence = 0; // 0 to 1: how surely the sampled lines agree with the field
};

// A line type proposed from the lines whose ID column(s) hold the same value.
struct ProposedLineType {
    QString id;            // Ly_Linea_ID; empty for a file with one kind of line
    QString description;   // "Tipo <ID>"
    qint64 lines = 0;      // lines of the file of this type
    qint64 firstLine = 0;  // number of its first line in the file, from 1
    double confidence = 0; // 0 to 1
    QList<ProposedField> fields;
};

// A load format proposed from a sample file.
struct Proposal {
    QString file;          // the file read
    QString encoding;      // "UTF-8" or "Windows-1252", as the test reads it
    qint64 linesRead = 0;  // every line of the file
    qint64 linesSampled = 0;
    int idPosition = 0;    // where the line IDs stand (from 1); 0 with one line type
    int idLength = 0;
    QList<ProposedLineType> lineTypes;
    qint64 unmatchedCount = 0;         // lines that fit no proposed line type
    QList<qint64> unmatchedLines;      // their numbers (the first ones, at most 1,000)
};

struct ProposalOptions {
    int sampleLinesPerType = 50000; // lines of each line type the fields are proposed from
    // Lines from the start of the file on which the place of the line IDs is chosen.
    int idSampleLines = 20000;
    // Whether the proposal is tested on the whole file (formats::testLoadFormat) and a NUMERO
    // or Fecha field that a line past the sample cannot read is proposed as TEXTO instead.
    bool verify = true;
    int threads = 0; // of that test: 0, the machine's cores (at most 4)
};

// Reads the file and proposes a load format; deterministic, in bounded memory. On a file that
// cannot be read, returns false and says why in *error (the proposal is then empty).
bool proposeFromFile(const QString &path, Proposal *proposal, QString *error,
                     const ProposalOptions &options = {});

// The proposal as a load format under a key (line orders "0001"..., field numbers "0001"...,
// the header's file the proposed file): what the test, the views and a save take.
formats::LoadFormat toLoadFormat(const Proposal &proposal, const QString &key);

// The proposal as JSON (velkora propose --json) and as text for a person.
QByteArray toJson(const Proposal &proposal);
QString toText(const Proposal &proposal);

} // namespace velkora::proposal
