// The proposal of a load format from a sample file (see docs/proposal.md): the file is first
// checked to be text; the line IDs are chosen on its first lines (IdChoice.cpp); one reading
// of the whole file sorts every line into its line type (LineTyper) and keeps, for the first
// lines of each type, what every column held (ColumnStats); the fields follow from those
// columns (FieldBuilder); last, the proposal is tested on the file as a stored format would be
// (ProposalCheck), which keeps a field's type when all its lines but 1 % read so and lists
// those that do not.

#include "Proposal.h"

#include "ColumnStats.h"
#include "FieldBuilder.h"
#include "IdSample.h"
#include "LineTyper.h"
#include "ProposalCheck.h"
#include "ProposalInternal.h"
#include "RecordLength.h"
#include "RuleFinder.h"
#include "TextCheck.h"
#include "formats/CompiledFormat.h"

#include <QFileInfo>
#include <cmath>
#include <utility>

namespace velkora::proposal {

using namespace detail;

namespace {

QString fourDigits(int n)
{
    return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

QString encodingName(qint64 utf8Lines, qint64 cp1252Lines)
{
    if (cp1252Lines > 0 && utf8Lines > 0)
        return QStringLiteral("UTF-8 y Windows-1252 (según la línea)");
    return cp1252Lines > 0 ? QStringLiteral("Windows-1252") : QStringLiteral("UTF-8");
}

bool cancelled(const ProposalOptions &options)
{
    return options.cancel && options.cancel->load(std::memory_order_relaxed);
}

// Whether some line type's ID is also the start of another's, or equal to it, at the same
// place: the layout review of the test would report it.
bool shadowing(const Proposal &proposal)
{
    const formats::CompiledFormat compiled(toLoadFormat(proposal, QStringLiteral("PROP")));
    for (const formats::LayoutFinding &f : compiled.findings())
        if (f.kind == formats::LayoutFinding::Kind::Shadow)
            return true;
    return false;
}

// One reading of the whole file: every line typed, the first lines of each type sampled.
struct Survey {
    std::vector<TypeStats> types;
    std::vector<LineTyper::Type> typeIds;
    qint64 lines = 0;
    qint64 utf8Lines = 0;
    qint64 cp1252Lines = 0;
    bool hasText = false; // some line holds more than blanks
    qint64 firstNul = -1;
    qint64 unmatchedCount = 0;
    QList<qint64> unmatchedLines;
};

ProposalFailure survey(const QString &path, IdScheme scheme, int recordLength,
                       const ProposalOptions &options, Survey *out, QString *why)
{
    LineReader reader;
    if (!reader.open(path, why))
        return ProposalFailure::Unreadable;
    reader.setRecordLength(recordLength);
    LineTyper typer(std::move(scheme));
    DecodedLine line;
    const int perType = std::max(1, options.sampleLinesPerType);
    const char *p = nullptr;
    qsizetype n = 0;
    qint64 reported = 0;
    // Empty lines are lines without a type only when a line with text follows them: those
    // that end the file are not lines of the format, as the test says.
    QList<qint64> emptyLines;
    while (reader.next(p, n)) {
        // Once per block of the file: whether to stop, and how far it has gone.
        if (reader.bytesRead() != reported) {
            if (cancelled(options))
                return ProposalFailure::Cancelled;
            reported = reader.bytesRead();
            if (options.progress)
                options.progress(
                    {ProposalProgress::Step::Reading, 1, reported, reader.fileBytes()});
        }
        if (n == 0) {
            emptyLines << reader.lineNumber();
            continue;
        }
        for (const qint64 empty : std::exchange(emptyLines, {})) {
            ++out->unmatchedCount;
            if (out->unmatchedLines.size() < 1000)
                out->unmatchedLines << empty;
        }
        if (!formats::isAscii(p, n))
            ++(formats::isValidUtf8(p, n) ? out->utf8Lines : out->cp1252Lines);
        for (qsizetype i = 0; !out->hasText && i < n; ++i)
            out->hasText = p[i] != ' ' && p[i] != '\t' && p[i] != '\f' && p[i] != '\r';
        const int t = typer.typeOf(p, n);
        if (t < 0) {
            ++out->unmatchedCount;
            if (out->unmatchedLines.size() < 1000)
                out->unmatchedLines << reader.lineNumber();
            continue;
        }
        if (size_t(t) == out->types.size()) {
            out->types.emplace_back();
            out->types.back().maxFails = int(tolerated(perType));
        }
        TypeStats &type = out->types[size_t(t)];
        if (type.lines++ == 0)
            type.firstLine = reader.lineNumber();
        if (type.sampled < perType) {
            line.decode(p, n, MaxColumns);
            type.sample(line);
        }
    }
    if (!reader.error().isEmpty()) {
        *why = reader.error();
        return ProposalFailure::Unreadable;
    }
    if (options.progress)
        options.progress(
            {ProposalProgress::Step::Reading, 1, reader.bytesRead(), reader.fileBytes()});
    if (cancelled(options))
        return ProposalFailure::Cancelled;
    out->typeIds = typer.types();
    out->lines = reader.lineNumber();
    out->firstNul = reader.firstNul();
    return ProposalFailure::None;
}

// The fields of every line type: first the years of the dates that read in one format only on
// the line types of many lines, then each line type's fields, a date that reads in several
// formats read among those years.
void buildFields(const Survey &read, IdPlace first, std::vector<QList<ProposedField>> *fields,
                 std::vector<double> *consistency)
{
    DateYears years;
    for (size_t t = 0; t < read.types.size(); ++t) {
        const LineTyper::Type &id = read.typeIds[t];
        double ignored = 1;
        FieldBuilder builder(read.types[t], id.place, id.split < 0 ? IdPlace{} : first);
        builder.build(&ignored);
        if (read.types[t].sampled > 1)
            years |= builder.dateYears();
    }
    fields->assign(read.types.size(), {});
    consistency->assign(read.types.size(), 1.0);
    for (size_t t = 0; t < read.types.size(); ++t) {
        const LineTyper::Type &id = read.typeIds[t];
        (*fields)[t] =
            FieldBuilder(read.types[t], id.place, id.split < 0 ? IdPlace{} : first, years)
                .build(&(*consistency)[t]);
    }
}

QString typeDescription(const LineTyper::Type &type)
{
    if (type.place.start < 0)
        return QStringLiteral("Tipo único");
    if (type.split < 0)
        return QStringLiteral("Tipo %1").arg(keyText(type.key));
    // An ID at a place that takes in the record type's ("90" where the record type is "9")
    // names the line type alone.
    const QString id = keyText(type.key);
    const QString record = keyText(type.record);
    if (id.startsWith(record) && type.place.start == type.recordPlace.start)
        return QStringLiteral("Tipo %1").arg(id);
    return QStringLiteral("Tipo %1 %2").arg(record, id);
}

const QString unreadableText = QStringLiteral("El archivo '%1' no se puede leer: %2");
const QString notTextText = QStringLiteral("El archivo '%1' %2");
const QString cancelledText = QStringLiteral("Se canceló la propuesta.");

// Why the file cannot be proposed from before it is read (none: it can).
ProposalError checkFile(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty())
        return {ProposalFailure::NoFile,
                QStringLiteral("No se indicó el archivo del que se propone el formato.")};
    if (!info.exists())
        return {ProposalFailure::NotFound, QStringLiteral("El archivo '%1' no existe.").arg(path)};
    if (info.isDir())
        return {ProposalFailure::Folder,
                QStringLiteral("'%1' es una carpeta, no un archivo.").arg(path)};
    if (const TextCheck check = checkText(path); !check.text)
        return {ProposalFailure::NotText, notTextText.arg(path, check.why)};
    return {};
}

// The whole file's rule of records of one length, when it has no line breaks.
ProposedRule recordRule(const RecordLength &record)
{
    ProposedRule rule;
    rule.text = QStringLiteral("REGISTRO %1").arg(record.length);
    rule.description =
        QStringLiteral("Registros de %1 caracteres, sin saltos de línea").arg(record.length);
    rule.confidence = std::round(record.agreement * double(record.records) /
                                 double(record.records + 1) * 1000.0) /
                      1000.0;
    return rule;
}

// The line types read, with their fields.
void addLineTypes(const Survey &read, IdPlace first, Proposal *proposal)
{
    std::vector<QList<ProposedField>> fields;
    std::vector<double> consistency;
    buildFields(read, first, &fields, &consistency);
    for (size_t t = 0; t < read.types.size(); ++t) {
        const TypeStats &stats = read.types[t];
        const LineTyper::Type &id = read.typeIds[t];
        ProposedLineType type;
        if (id.place.start >= 0) {
            type.id = keyText(id.key);
            type.idPosition = id.place.start + 1;
            type.idLength = id.place.length;
        }
        type.description = typeDescription(id);
        type.lines = stats.lines;
        type.firstLine = stats.firstLine;
        type.fields = fields[t];
        const double evidence = stats.sampled / (stats.sampled + 1.0);
        type.confidence = std::round((0.5 + 0.5 * consistency[t]) * evidence * 1000.0) / 1000.0;
        proposal->linesSampled += stats.sampled;
        proposal->lineTypes << type;
    }
}

// What the survey of the file found: its encoding, lines, IDs and line types.
void describe(const QString &path, const Survey &read, IdPlace first,
              const RecordLength &record, Proposal *proposal)
{
    proposal->file = path;
    proposal->encoding = encodingName(read.utf8Lines, read.cp1252Lines);
    proposal->linesRead = read.lines;
    proposal->idPosition = first.start < 0 ? 0 : first.start + 1;
    proposal->idLength = first.start < 0 ? 0 : first.length;
    proposal->unmatchedCount = read.unmatchedCount;
    proposal->unmatchedLines = read.unmatchedLines;
    if (record.length > 0) {
        proposal->recordLength = record.length;
        proposal->rules << recordRule(record);
    }
    addLineTypes(read, first, proposal);
}

// How the rules and the test of the proposal ended: the proposal stands, is made again with
// the record types' place for every ID, or fails (the error says why).
enum class Verdict { Stands, Again, Failed };

Verdict findRulesAndTest(const QString &path, Proposal *proposal, ProposalError *error,
                         const ProposalOptions &options, bool twoLevels)
{
    QString why;
    if (options.rules) {
        switch (findRules(*proposal, path, options, &why)) {
        case RulesOutcome::Found:
            break;
        case RulesOutcome::Cancelled:
            *error = {ProposalFailure::Cancelled, cancelledText};
            return Verdict::Failed;
        case RulesOutcome::Failed:
            *error = {ProposalFailure::Unreadable, unreadableText.arg(path, why)};
            return Verdict::Failed;
        }
    }
    if (!options.verify)
        return Verdict::Stands;
    switch (checkProposal(*proposal, path, options, &why)) {
    case CheckOutcome::Clean:
        return Verdict::Stands;
    case CheckOutcome::Ambiguous:
        if (twoLevels)
            return Verdict::Again;
        *error = {
            ProposalFailure::Untested,
            QStringLiteral("La propuesta da más de un tipo de línea a algunas líneas de '%1'.")
                .arg(path)};
        return Verdict::Failed;
    case CheckOutcome::Cancelled:
        *error = {ProposalFailure::Cancelled, cancelledText};
        return Verdict::Failed;
    case CheckOutcome::Failed:
        break;
    }
    *error = {ProposalFailure::Untested, why};
    return Verdict::Failed;
}

// `recordPlace`: the IDs' place, already chosen, with no second place (see `again` below).
bool propose(const QString &path, Proposal *proposal, ProposalError *error,
             const ProposalOptions &options, const IdPlace *recordPlace = nullptr)
{
    *proposal = Proposal{};
    auto fail = [&](ProposalError why) {
        *proposal = Proposal{};
        *error = std::move(why);
        return false;
    };
    if (ProposalError why = checkFile(path); why.failure != ProposalFailure::None)
        return fail(why);

    QString why;
    // A file without line breaks is read as records of the length that explains it.
    const RecordLength record = findRecordLength(path);
    IdScheme scheme;
    if (recordPlace) {
        scheme.first = *recordPlace;
    } else {
        IdSample sample;
        if (!sample.read(path, options.idSampleLines, &why, record.length))
            return fail({ProposalFailure::Unreadable, unreadableText.arg(path, why)});
        scheme = chooseIdScheme(sample, options.twoLevelIds);
    }
    const IdPlace first = scheme.first;
    const bool twoLevels = !scheme.splits.empty() || scheme.dataPlace.start >= 0;
    Survey read;
    const ProposalFailure failure =
        survey(path, std::move(scheme), record.length, options, &read, &why);
    if (failure == ProposalFailure::Cancelled)
        return fail({failure, cancelledText});
    if (failure != ProposalFailure::None)
        return fail({failure, unreadableText.arg(path, why)});
    if (read.firstNul >= 0)
        return fail({ProposalFailure::NotText, notTextText.arg(path, nulReason(read.firstNul))});
    if (read.lines == 0 || !read.hasText)
        return fail({ProposalFailure::Empty,
                     QStringLiteral("El archivo '%1' está vacío: no tiene líneas con texto de "
                                    "las que proponer un formato de carga.")
                         .arg(path)});
    describe(path, read, first, record, proposal);
    // IDs at a second place that the layout review or the lines beyond the sample do not
    // bear: the proposal is made again with the record types' place for every ID (each record
    // type one line type, its segments together).
    if (twoLevels && shadowing(*proposal))
        return propose(path, proposal, error, options, &first);
    switch (findRulesAndTest(path, proposal, error, options, twoLevels)) {
    case Verdict::Stands:
        return true;
    case Verdict::Again:
        return propose(path, proposal, error, options, &first);
    case Verdict::Failed:
        break;
    }
    *proposal = Proposal{};
    return false;
}

} // namespace

bool Proposal::sharesIdPlace() const
{
    for (const ProposedLineType &type : lineTypes)
        if (type.idPosition != idPosition || type.idLength != idLength)
            return false;
    return true;
}

QString unreadText(const Proposal &proposal)
{
    if (proposal.unreadCount == 0)
        return {};
    QStringList first;
    for (const qint64 n : proposal.unreadLines.mid(0, 20))
        first << QString::number(n);
    const bool more = proposal.unreadCount > first.size();
    return (proposal.unreadCount == 1
                ? QStringLiteral("1 línea no se lee con esta propuesta: %1")
                : QStringLiteral("%1 líneas no se leen con esta propuesta: %2")
                      .arg(proposal.unreadCount))
        .arg(first.join(QStringLiteral(", ")) + (more ? QStringLiteral(", …") : QString()));
}

bool proposeFromFile(const QString &path, Proposal *proposal, ProposalError *error,
                     const ProposalOptions &options)
{
    ProposalError ignored;
    return propose(path, proposal, error ? error : &ignored, options);
}

bool proposeFromFile(const QString &path, Proposal *proposal, QString *error,
                     const ProposalOptions &options)
{
    ProposalError why;
    const bool proposed = propose(path, proposal, &why, options);
    if (!proposed && error)
        *error = why.text;
    return proposed;
}

formats::LoadFormat toLoadFormat(const Proposal &proposal, const QString &key)
{
    formats::LoadFormat format;
    format.key = key;
    const QString name = QFileInfo(proposal.file).fileName();
    format.description = (QStringLiteral("Propuesto de ") + name).left(50);
    format.file = proposal.file;
    format.reverse = false;
    format.state = QStringLiteral("AC");
    for (int t = 0; t < proposal.lineTypes.size(); ++t) {
        const ProposedLineType &proposed = proposal.lineTypes.at(t);
        formats::LineType type;
        type.order = fourDigits(t + 1);
        type.lineId = proposed.id;
        type.description = proposed.description;
        type.position = proposed.idPosition;
        type.length = proposed.idLength;
        for (int f = 0; f < proposed.fields.size(); ++f) {
            const ProposedField &field = proposed.fields.at(f);
            formats::FieldDef def;
            def.lineOrder = type.order;
            def.id = fourDigits(f + 1);
            def.description = field.description.isEmpty()
                                  ? QStringLiteral("Campo %1").arg(def.id)
                                  : field.description;
            def.position = field.position;
            def.length = field.length;
            def.typeCode = field.typeCode;
            def.value = field.value;
            def.format = field.format;
            def.trim = field.trim;
            type.fields << def;
        }
        format.lineTypes << type;
    }
    for (int r = 0; r < proposal.rules.size(); ++r) {
        const ProposedRule &proposed = proposal.rules.at(r);
        formats::RuleDef rule;
        rule.id = fourDigits(r + 1);
        if (proposed.lineType >= 0)
            rule.lineOrder = fourDigits(proposed.lineType + 1);
        if (proposed.field >= 0)
            rule.fieldId = fourDigits(proposed.field + 1);
        rule.text = proposed.text;
        rule.description = proposed.description;
        format.rules << rule;
    }
    return format;
}

} // namespace velkora::proposal
