// The proposal as JSON (velkora propose --json) and as text for a person.

#include "Proposal.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace velkora::proposal {

namespace {

QString typeName(const QString &code)
{
    return formats::fieldTypeName(formats::fieldTypeFromCode(code));
}

QString percent(double confidence)
{
    return QStringLiteral("%1 %").arg(qRound(confidence * 100));
}

QString number(int index)
{
    return index < 0 ? QString() : QStringLiteral("%1").arg(index + 1, 4, 10, QLatin1Char('0'));
}

QJsonArray numbers(const QList<qint64> &list)
{
    QJsonArray array;
    for (const qint64 n : list)
        array.append(n);
    return array;
}

// What was guessed, one text a guess, naming its line type and field: "Tipo 1, Campo 0003:
// ...", "Regla 0004 (SUMA 0003.0002): ...".
QJsonArray guessList(const Proposal &proposal)
{
    QJsonArray list;
    for (const ProposedLineType &type : proposal.lineTypes)
        for (const ProposedField &f : type.fields)
            if (!f.guess.isEmpty())
                list.append(QStringLiteral("%1, %2: %3").arg(type.description, f.description, f.guess));
    for (int r = 0; r < proposal.rules.size(); ++r) {
        const ProposedRule &rule = proposal.rules.at(r);
        if (!rule.guess.isEmpty())
            list.append(QStringLiteral("Regla %1 (%2): %3").arg(number(r), rule.text, rule.guess));
    }
    for (const ProposedRule &rule : proposal.suggestions)
        list.append(QStringLiteral("Regla sugerida %1 en %2: %3")
                        .arg(rule.text, proposal.lineTypes.at(rule.lineType).description,
                             rule.guess));
    return list;
}

} // namespace

QByteArray toJson(const Proposal &proposal)
{
    QJsonObject root;
    root[QStringLiteral("file")] = proposal.file;
    root[QStringLiteral("encoding")] = proposal.encoding;
    root[QStringLiteral("lines")] = proposal.linesRead;
    root[QStringLiteral("lines_sampled")] = proposal.linesSampled;
    // The place every line type's ID takes, when they share one.
    if (proposal.sharesIdPlace())
        root[QStringLiteral("line_type")] =
            QJsonObject{{QStringLiteral("position"), proposal.idPosition},
                        {QStringLiteral("length"), proposal.idLength}};
    QJsonArray types;
    for (const ProposedLineType &type : proposal.lineTypes) {
        QJsonArray fields;
        for (const ProposedField &f : type.fields)
            fields.append(QJsonObject{{QStringLiteral("position"), f.position},
                                      {QStringLiteral("length"), f.length},
                                      {QStringLiteral("type"), f.typeCode},
                                      {QStringLiteral("type_name"), typeName(f.typeCode)},
                                      {QStringLiteral("format"), f.format},
                                      {QStringLiteral("value"), f.value},
                                      {QStringLiteral("trim"), f.trim},
                                      {QStringLiteral("description"), f.description},
                                      {QStringLiteral("confidence"), f.confidence},
                                      {QStringLiteral("guess"), f.guess}});
        types.append(QJsonObject{{QStringLiteral("id"), type.id},
                                 {QStringLiteral("position"), type.idPosition},
                                 {QStringLiteral("length"), type.idLength},
                                 {QStringLiteral("description"), type.description},
                                 {QStringLiteral("lines"), type.lines},
                                 {QStringLiteral("first_line"), type.firstLine},
                                 {QStringLiteral("confidence"), type.confidence},
                                 {QStringLiteral("fields"), fields}});
    }
    root[QStringLiteral("line_types")] = types;
    if (proposal.recordLength > 0)
        root[QStringLiteral("record_length")] = proposal.recordLength;
    // Line types and fields by the numbers a rule's text names them with ("0001"...).
    const auto ruleList = [](const QList<ProposedRule> &list) {
        QJsonArray rules;
        for (const ProposedRule &rule : list)
            rules.append(QJsonObject{{QStringLiteral("line_type"), number(rule.lineType)},
                                     {QStringLiteral("field"), number(rule.field)},
                                     {QStringLiteral("text"), rule.text},
                                     {QStringLiteral("description"), rule.description},
                                     {QStringLiteral("confidence"), rule.confidence},
                                     {QStringLiteral("guess"), rule.guess}});
        return rules;
    };
    root[QStringLiteral("rules")] = ruleList(proposal.rules);
    root[QStringLiteral("suggestions")] = ruleList(proposal.suggestions);
    root[QStringLiteral("guesses")] = guessList(proposal);
    root[QStringLiteral("unmatched")] =
        QJsonObject{{QStringLiteral("count"), proposal.unmatchedCount},
                    {QStringLiteral("first"), numbers(proposal.unmatchedLines)}};
    QJsonArray fields;
    for (const UnreadField &u : proposal.unreadFields) {
        const ProposedLineType &type = proposal.lineTypes.at(u.lineType);
        fields.append(QJsonObject{{QStringLiteral("line_type"), type.id},
                                  {QStringLiteral("field"), type.fields.at(u.field).description},
                                  {QStringLiteral("lines"), u.lines}});
    }
    root[QStringLiteral("unread")] =
        QJsonObject{{QStringLiteral("count"), proposal.unreadCount},
                    {QStringLiteral("first"), numbers(proposal.unreadLines)},
                    {QStringLiteral("fields"), fields}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

namespace {

QString headerText(const Proposal &proposal)
{
    QString text;
    text += QStringLiteral("Formato de carga propuesto\n");
    text += QStringLiteral("Archivo: %1\n").arg(proposal.file);
    text += QStringLiteral("Codificación: %1\n").arg(proposal.encoding);
    text += QStringLiteral("Líneas: %1 (%2 analizadas)\n")
                .arg(proposal.linesRead)
                .arg(proposal.linesSampled);
    if (proposal.idLength > 0 && proposal.sharesIdPlace())
        text += QStringLiteral("ID de los tipos de línea: posición %1, longitud %2\n")
                    .arg(proposal.idPosition)
                    .arg(proposal.idLength);
    else if (proposal.idLength > 0)
        text += QStringLiteral("ID del tipo de registro: posición %1, longitud %2; algunos tipos "
                               "de línea tienen su ID en otra posición\n")
                    .arg(proposal.idPosition)
                    .arg(proposal.idLength);
    else
        text += QStringLiteral("Un solo tipo de línea, sin ID: toma todas las líneas\n");
    if (proposal.recordLength > 0)
        text += QStringLiteral("Registros de %1 caracteres, sin saltos de línea\n")
                    .arg(proposal.recordLength);
    return text;
}

QString lineTypeText(const ProposedLineType &type, int t)
{
    QString text = QStringLiteral("\nTipo de línea %1%2: %3 — %4 líneas, la primera la %5; "
                                  "confianza %6\n")
                       .arg(number(t),
                            type.id.isEmpty()
                                ? QString()
                                : QStringLiteral(" (ID '%1' en la posición %2, longitud %3)")
                                      .arg(type.id)
                                      .arg(type.idPosition)
                                      .arg(type.idLength),
                            type.description)
                       .arg(type.lines)
                       .arg(type.firstLine)
                       .arg(percent(type.confidence));
    if (type.fields.isEmpty())
        return text + QStringLiteral("  (sin campos)\n");
    text += QStringLiteral("  Campo       Posición  Longitud  Tipo       Formato     Trim  "
                           "Confianza  Valor\n");
    for (const ProposedField &f : type.fields) {
        text += QStringLiteral("  %1  %2  %3  %4  %5  %6  %7  %8\n")
                    .arg(f.description, -10)
                    .arg(f.position, 8)
                    .arg(f.length, 8)
                    .arg(typeName(f.typeCode), -9)
                    .arg(f.format, -10)
                    .arg(f.trim ? QStringLiteral("SI") : QStringLiteral("NO"), -4)
                    .arg(percent(f.confidence), 9)
                    .arg(f.value);
    }
    return text;
}

QString rulesText(const Proposal &proposal)
{
    if (proposal.rules.isEmpty())
        return QStringLiteral("Sin reglas propuestas.\n");
    QString text = QStringLiteral("Reglas propuestas:\n");
    text += QStringLiteral("  No.    Tipo  Campo  Regla%1  Confianza  Descripción\n")
                .arg(QString(), -24);
    for (int r = 0; r < proposal.rules.size(); ++r) {
        const ProposedRule &rule = proposal.rules.at(r);
        text += QStringLiteral("  %1   %2  %3   %4  %5  %6\n")
                    .arg(number(r), number(rule.lineType).leftJustified(4),
                         number(rule.field).leftJustified(4), rule.text.leftJustified(29))
                    .arg(percent(rule.confidence), 9)
                    .arg(rule.description);
    }
    return text;
}

// The lines without a line type, the guesses and the lines a field does not read.
QString findingsText(const Proposal &proposal)
{
    QString text;
    if (proposal.unmatchedCount == 0) {
        text += QStringLiteral("Todas las líneas tienen un tipo de línea propuesto.\n");
    } else {
        QStringList first;
        for (const qint64 n : proposal.unmatchedLines.mid(0, 20))
            first << QString::number(n);
        text += QStringLiteral("Líneas sin tipo de línea propuesto: %1 (%2%3)\n")
                    .arg(proposal.unmatchedCount)
                    .arg(first.join(QStringLiteral(", ")),
                         proposal.unmatchedCount > first.size() ? QStringLiteral(", …")
                                                                : QString());
    }
    const QJsonArray guesses = guessList(proposal);
    if (!guesses.isEmpty()) {
        text += QStringLiteral("Supuestos que conviene revisar:\n");
        for (const QJsonValue &guess : guesses)
            text += QStringLiteral("  %1\n").arg(guess.toString());
    }
    if (proposal.unreadCount > 0) {
        text += unreadText(proposal) + QLatin1Char('\n');
        for (const UnreadField &u : proposal.unreadFields) {
            const ProposedLineType &type = proposal.lineTypes.at(u.lineType);
            text += QStringLiteral("  %1 del tipo de línea %2: %3 líneas\n")
                        .arg(type.fields.at(u.field).description, type.description)
                        .arg(u.lines);
        }
    }
    return text;
}

} // namespace

QString toText(const Proposal &proposal)
{
    QString text = headerText(proposal);
    for (int t = 0; t < proposal.lineTypes.size(); ++t)
        text += lineTypeText(proposal.lineTypes.at(t), t);
    return text + QLatin1Char('\n') + rulesText(proposal) + findingsText(proposal);
}

} // namespace velkora::proposal
