#pragma once

#include "formats/LoadFormat.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <functional>

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
    // A value of zeros is no value (a date not given): the field gets the rule OPCIONAL.
    bool optional = false;
    // What was guessed, for a person to check; empty when the file leaves no doubt: a value
    // the same on every line taken as data, a date format chosen among several, decimals
    // that may be implied, a sign told apart from its amount.
    QString guess;
};

// A line type proposed from the lines whose ID column(s) hold the same value.
struct ProposedLineType {
    QString id;            // Ly_Linea_ID; empty for a file with one kind of line
    int idPosition = 0;    // where its ID stands (from 1); 0 without an ID
    int idLength = 0;
    QString description;   // "Tipo <ID>"
    qint64 lines = 0;      // lines of the file of this type
    qint64 firstLine = 0;  // number of its first line in the file, from 1
    double confidence = 0; // 0 to 1
    QList<ProposedField> fields;
};

// A field that some lines do not read in its proposed type: it keeps its type because all
// its lines but 1 % at most read so, and these lines are listed.
struct UnreadField {
    int lineType = 0; // index in Proposal::lineTypes
    int field = 0;    // index in its fields
    qint64 lines = 0; // lines where it does not read
};

// A rule the sample keeps (a Layout_Regla row), as the formats library reads it.
struct ProposedRule {
    int lineType = -1;     // index in Proposal::lineTypes; -1 for a rule of the whole file
    int field = -1;        // index in its fields; -1 for a rule of the line type itself
    QString text;          // Lr_Regla: "LONGITUD 94", "SUMA 0002.0003 DESDE 0001"...
    QString description;   // Lr_Descripcion
    double confidence = 0; // 0 to 1: how many lines of the file confirmed it
    // SUMA: the line type and field summed (indices), -1 otherwise.
    int sumLineType = -1;
    int sumField = -1;
    // What was guessed, for a person to check (a total seen on one group only); empty when
    // the file leaves no doubt.
    QString guess;
    // A suggestion (Proposal::suggestions), shown but not part of the format: the sample
    // cannot confirm it.
    bool suggested = false;
};

// A load format proposed from a sample file.
struct Proposal {
    QString file;          // the file read
    QString encoding;      // "UTF-8" or "Windows-1252", as the test reads it
    qint64 linesRead = 0;  // every line of the file
    qint64 linesSampled = 0;
    // Where the line IDs stand (from 1): the record type's place, which every line type's ID
    // takes but those told apart by a second code (ProposedLineType::idPosition); 0 with one
    // line type.
    int idPosition = 0;
    int idLength = 0;
    QList<ProposedLineType> lineTypes;
    qint64 unmatchedCount = 0;         // lines that fit no proposed line type
    QList<qint64> unmatchedLines;      // their numbers (the first ones, at most 1,000)
    // The findings: lines of a line type that some field does not read, as the test of the
    // proposal reports them.
    qint64 unreadCount = 0;
    QList<qint64> unreadLines; // the first ones, at most 1,000, in order
    QList<UnreadField> unreadFields;
    // Records of this many characters without line breaks (the rule REGISTRO); 0 when lines
    // end with line breaks.
    int recordLength = 0;
    // The rules the file keeps, in the order of their numbers ("0001"...): the whole file's,
    // then each line type's and its fields'.
    QList<ProposedRule> rules;
    // Counts and sums that held on a single trailer of the file (one group, or the file's own
    // trailer): shown as suggestions, never part of the format, since one file cannot tell a
    // total from a number that happened to equal it.
    QList<ProposedRule> suggestions;

    // Whether every line type's ID stands at the same place (true with one line type).
    bool sharesIdPlace() const;
};

// "3 líneas no se leen con esta propuesta: 105, 630, 2231" (the first 20 numbers, then "…");
// empty when every typed line reads.
QString unreadText(const Proposal &proposal);

// How far a proposal has gone, for a progress bar: the steps are reading the file (after
// its first lines, where the IDs are looked for), reading it again for the rules its lines
// keep, and testing the proposal on it (once, and again for every round that changes a field
// or leaves out a rule).
struct ProposalProgress {
    enum class Step { Reading, Rules, Testing };
    Step step = Step::Reading;
    int round = 1;   // of the test
    qint64 done = 0; // bytes of the step
    qint64 total = 0;
};

// Why there is no proposal.
enum class ProposalFailure {
    None,
    NoFile,     // no file named
    NotFound,   // no such file
    Folder,     // a folder, not a file
    Unreadable, // the file cannot be read
    Empty,      // no line with any text
    NotText,    // NUL bytes, or mostly bytes that are not text
    Cancelled,  // the caller cancelled it
    Untested,   // the proposal could not be tested without errors
};

struct ProposalError {
    ProposalFailure failure = ProposalFailure::None;
    QString text; // for a person: what and why
};

struct ProposalOptions {
    int sampleLinesPerType = 50000; // lines of each line type the fields are proposed from
    // Lines from the start of the file on which the place of the line IDs is chosen.
    int idSampleLines = 20000;
    // Whether the proposal is tested on the whole file (formats::testLoadFormat) and a NUMERO
    // or Fecha field that a line past the sample cannot read is proposed as TEXTO instead.
    bool verify = true;
    int threads = 0; // of that test: 0, the machine's cores (at most 4)
    // Whether a record type whose lines come in several layouts may be told apart by a second
    // code (each of its line types then has its ID there).
    bool twoLevelIds = true;
    // Whether the rules the file keeps are proposed (one more reading of the file).
    bool rules = true;
    // Called from the proposing thread (or the test's reading threads) as the proposal goes.
    std::function<void(const ProposalProgress &)> progress;
    // Set (from any thread) to stop the proposal; it then fails as Cancelled.
    const std::atomic<bool> *cancel = nullptr;
};

// Reads the file and proposes a load format; deterministic, in bounded memory. On a file that
// cannot be read or is not a text file, returns false and says why in *error (the proposal is
// then empty).
bool proposeFromFile(const QString &path, Proposal *proposal, ProposalError *error,
                     const ProposalOptions &options = {});
bool proposeFromFile(const QString &path, Proposal *proposal, QString *error,
                     const ProposalOptions &options = {});

// The proposal as a load format under a key (line orders "0001"..., field numbers "0001"...,
// each line type's ID at its own place, the header's file the proposed file): what the test,
// the views and a save take.
formats::LoadFormat toLoadFormat(const Proposal &proposal, const QString &key);

// The proposal as JSON (velkora propose --json) and as text for a person.
QByteArray toJson(const Proposal &proposal);
QString toText(const Proposal &proposal);

} // namespace velkora::proposal
