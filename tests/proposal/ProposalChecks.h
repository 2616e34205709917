#pragma once

// What the proposal's tests look at: its line types and fields in short texts, and the test of
// the proposal as a load format on its own file.

#include "formats/CompiledFormat.h"
#include "formats/LoadFormatTest.h"
#include "proposal/Proposal.h"
#include "support/DataRows.h"

#include <QRegularExpression>
#include <QtTest>
#include <climits>

namespace proposal_test {

using namespace Qt::StringLiterals;
using kesta::test::dataColumns;
using kesta::test::fetchColumns;
using velkora::proposal::Proposal;
using velkora::proposal::ProposalOptions;
using velkora::proposal::ProposedField;
using velkora::proposal::ProposedLineType;
using velkora::proposal::ProposedRule;

// Each rule as "line type|field|text" (numbers as stored, empty for the whole file or the line
// type itself).
inline QStringList ruleTexts(const QList<ProposedRule> &rules)
{
    const auto number = [](int index) {
        return index < 0 ? QString() : QStringLiteral("%1").arg(index + 1, 4, 10, QLatin1Char('0'));
    };
    QStringList texts;
    for (const ProposedRule &rule : rules)
        texts << QStringList{number(rule.lineType), number(rule.field), rule.text}.join(u'|');
    return texts;
}

inline QStringList ruleTexts(const Proposal &proposal)
{
    return ruleTexts(proposal.rules);
}

inline Proposal propose(const QString &path, const ProposalOptions &options = {})
{
    Proposal proposal;
    QString error;
    if (!velkora::proposal::proposeFromFile(path, &proposal, &error, options))
        qFatal("no proposal for %s: %s", qPrintable(path), qPrintable(error));
    return proposal;
}

// Each line type as "ID@position+length", in order.
inline QStringList idPlaces(const Proposal &proposal)
{
    QStringList ids;
    for (const ProposedLineType &type : proposal.lineTypes)
        ids << QStringLiteral("%1@%2+%3").arg(type.id).arg(type.idPosition).arg(type.idLength);
    return ids;
}

inline const ProposedLineType &typeOf(const Proposal &proposal, const QString &id)
{
    for (const ProposedLineType &type : proposal.lineTypes)
        if (type.id == id)
            return type;
    qFatal("no line type %s", qPrintable(id));
}

// The field that starts at a position, as "type length format value trim".
inline QString fieldAt(const ProposedLineType &type, int position)
{
    for (const ProposedField &f : type.fields)
        if (f.position == position)
            return QStringList{f.typeCode, QString::number(f.length), f.format, f.value,
                               f.trim ? QStringLiteral("trim") : QString()}
                .filter(QRegularExpression(QStringLiteral(".")))
                .join(QLatin1Char(' '));
    return QStringLiteral("(none at %1)").arg(position);
}

// What was guessed of the field that starts at a position.
inline QString guessAt(const ProposedLineType &type, int position)
{
    for (const ProposedField &f : type.fields)
        if (f.position == position)
            return f.guess;
    return {};
}

// The fields that start before a column, as "position:type length format value trim".
inline QStringList fieldList(const ProposedLineType &type, int before = INT_MAX)
{
    QStringList fields;
    for (const ProposedField &f : type.fields)
        if (f.position < before)
            fields << QStringLiteral("%1:%2").arg(f.position).arg(fieldAt(type, f.position));
    return fields;
}

// Whether a field of the line type takes the column (from 1).
inline bool fieldTakes(const ProposedLineType &type, int column)
{
    for (const ProposedField &f : type.fields)
        if (column >= f.position && column < f.position + f.length)
            return true;
    return false;
}

// The round trip: the proposal as a load format with its rules, tested on its own file, types
// every line it typed, once, keeps every rule, and reads every field but on the lines the
// proposal names as its findings, which the test reports as errors in exactly the fields the
// proposal names.
inline void checkRoundTrip(const Proposal &proposal, const QString &path)
{
    // Every proposed rule is read and applied: none is left out of the test.
    const velkora::formats::LoadFormat format =
        velkora::proposal::toLoadFormat(proposal, QStringLiteral("PROP"));
    const velkora::formats::CompiledFormat compiled(format);
    QVERIFY2(compiled.rules().findings().isEmpty(),
             qPrintable(compiled.rules().findings().value(0).message));
    QCOMPARE(compiled.rules().count(), int(proposal.rules.size()));
    const auto report = velkora::formats::testLoadFormat(format, path);
    QVERIFY2(report.ran, qPrintable(report.error));
    QCOMPARE(report.result.ambiguous.count, 0);
    QCOMPARE(report.result.lines, proposal.linesRead);
    QCOMPARE(report.result.unmatched.count, proposal.unmatchedCount);
    QCOMPARE(
        QList<qint64>(report.result.unmatched.first.begin(), report.result.unmatched.first.end()),
        proposal.unmatchedLines);
    QCOMPARE(qsizetype(report.result.types.size()), proposal.lineTypes.size());
    qint64 errorLines = 0;
    QStringList failing, named;
    for (size_t t = 0; t < report.result.types.size(); ++t) {
        const auto &type = report.result.types[t];
        QCOMPARE(type.lines, proposal.lineTypes[qsizetype(t)].lines);
        errorLines += type.errorLines;
        for (size_t f = 0; f < type.fields.size(); ++f)
            if (type.fields[f].lines > 0)
                failing << QStringLiteral("%1/%2: %3").arg(t).arg(f).arg(type.fields[f].lines);
    }
    for (const auto &u : proposal.unreadFields)
        named << QStringLiteral("%1/%2: %3").arg(u.lineType).arg(u.field).arg(u.lines);
    QCOMPARE(failing, named);
    QCOMPARE(errorLines, proposal.unreadCount);
    QList<qint64> lines;
    for (const auto &e : report.errors)
        if (lines.isEmpty() || lines.last() != e.line)
            lines << e.line;
    QCOMPARE(lines.mid(0, 1000), proposal.unreadLines);
    QCOMPARE(report.encodingName(), proposal.encoding);
    // The layout review: no ID shadows another.
    for (const auto &f : compiled.findings())
        QVERIFY2(f.kind != velkora::formats::LayoutFinding::Kind::Shadow, qPrintable(f.message));
}

} // namespace proposal_test
