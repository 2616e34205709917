#include "ScreenRules.h"

#include "store/RuleRows.h"

#include <formats/NumberFormat.h>
#include <formats/RuleBounds.h>
#include <formats/RuleNames.h>
#include <formats/RuleParser.h>
#include <formats/RulePlacement.h>
#include <formats/RuleRenumber.h>

#include <QHash>
#include <QSet>

#include <functional>

namespace kesta::editor {

namespace {

using velkora::formats::RuleKind;
using velkora::formats::RuleScope;

// "0010" and "10" are the same number; a text that is not one stands for itself.
QString numberKey(const QString &text)
{
    bool ok = false;
    const qulonglong n = text.trimmed().toULongLong(&ok);
    return ok ? QString::number(n) : text.trimmed();
}

bool sameNumber(const QString &a, const QString &b)
{
    return numberKey(a) == numberKey(b);
}

QString fourDigits(int n)
{
    return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

// The current order of the line type loaded under `loaded`; empty when it is gone.
QString orderNow(const QList<velkora::store::LineNumbering> &lines, const QString &loaded)
{
    for (const velkora::store::LineNumbering &line : lines) {
        if (!line.loadedOrder.isEmpty() && sameNumber(line.loadedOrder, loaded))
            return line.order;
    }
    return {};
}

// The number the field stored as `stored` in the line type loaded under `loaded` has now;
// empty when it is gone.
QString fieldNow(const QList<velkora::store::LineNumbering> &lines,
                 const QList<velkora::store::FieldNumbering> &fields, const QString &loaded,
                 const QString &stored)
{
    const QString order = orderNow(lines, loaded);
    if (order.isEmpty())
        return {};
    for (const velkora::store::FieldNumbering &field : fields) {
        if (sameNumber(field.lineId, order) && !field.storedId.isEmpty() &&
            sameNumber(field.storedId, stored))
            return field.newId;
    }
    return {};
}

// The rule's text with the line types and the fields it names by number carried to what the
// screen shows now; false when one of them is gone (the text then names it as the user last saw
// it: a line type by its number, a field by the number the load showed it under).
bool carryText(QString &text, const velkora::store::ShownRules &shown,
               const QList<velkora::store::LineNumbering> &lines,
               const QList<velkora::store::FieldNumbering> &fields)
{
    bool carried = true;
    velkora::formats::renumberRuleText(
        text, {[&](const QString &number) {
                   const QString now = orderNow(lines, number);
                   carried = carried && !now.isEmpty();
                   return now.isEmpty() ? number : now;
               },
               [&](const QString &loaded, const QString &field) {
                   const QString now = fieldNow(lines, fields, loaded, field);
                   carried = carried && !now.isEmpty();
                   return now.isEmpty() ? shown.shownFieldId(loaded, field) : now;
               }});
    return carried;
}

struct Place {
    int line = -1;
    int field = -1;
};

int lineIndex(const ScreenOutline &outline, const QString &order)
{
    for (int i = 0; i < outline.lines.size(); ++i) {
        if (sameNumber(outline.lines.at(i).order, order))
            return i;
    }
    return -1;
}

int fieldIndex(const ScreenOutline &outline, int line, const QString &field)
{
    const QStringList &fields = outline.lines.at(line).fields;
    for (int i = 0; i < fields.size(); ++i) {
        if (sameNumber(fields.at(i), field))
            return i;
    }
    return -1;
}

// A field type by its code ("01" is NUMERO, "1" too).
velkora::formats::FieldType typeOf(const QString &code)
{
    bool ok = false;
    const int n = code.toInt(&ok);
    return ok && n >= 1 && n <= 5 ? static_cast<velkora::formats::FieldType>(n - 1)
                                  : velkora::formats::FieldType::Unknown;
}

// The checks of one rule, in the order the first fault is told.
class RuleRowCheck {
public:
    RuleRowCheck(const ScreenRule &rule, int row, const ScreenOutline &outline)
        : m_rule(rule), m_row(row), m_outline(outline), m_text(rule.text.trimmed())
    {}

    std::optional<RuleRefusal> check(QHash<QString, QString> &taken);

private:
    RuleRefusal refuse(RuleColumn column, const messages::Message &message) const
    {
        return RuleRefusal{m_row, column, message};
    }
    std::optional<RuleRefusal> read();
    std::optional<RuleRefusal> place();
    std::optional<RuleRefusal> namedLinesAndFields() const;
    std::optional<RuleRefusal> bounds() const;
    std::optional<RuleRefusal> repeated(QHash<QString, QString> &taken) const;
    velkora::formats::FieldType fieldType(int line, int field) const
    {
        return typeOf(m_outline.lines.at(line).types.value(field));
    }

    const ScreenRule &m_rule;
    int m_row;
    const ScreenOutline &m_outline;
    QString m_text;
    velkora::formats::ParsedRule m_parsed;
    QString m_keyword;
    Place m_place;
};

std::optional<RuleRefusal> RuleRowCheck::read()
{
    if (m_text.isEmpty())
        return refuse(RuleColumn::Text, messages::ruleWithoutText(m_rule.id));
    if (m_rule.stale)
        return refuse(RuleColumn::Text, messages::ruleNoLongerFits(m_rule.id, m_text));
    QString why;
    const std::optional<velkora::formats::ParsedRule> parsed =
        velkora::formats::parseRule(m_text, &why);
    if (!parsed)
        return refuse(RuleColumn::Text, messages::ruleUnreadable(m_rule.id, m_text, why));
    m_parsed = *parsed;
    m_keyword = velkora::formats::ruleKeyword(m_parsed.kind);
    return std::nullopt;
}

// The rule stands where its kind goes, on a line type and a field that exist.
std::optional<RuleRefusal> RuleRowCheck::place()
{
    const RuleScope given = velkora::formats::givenScope(m_rule.line, m_rule.field);
    if (const auto misplaced = velkora::formats::misplacedScope(m_parsed.kind, given)) {
        const bool lineWrong =
            velkora::formats::rulePlacement(m_parsed.kind).scope == RuleScope::File ||
            given == RuleScope::File;
        return refuse(
            lineWrong ? RuleColumn::Line : RuleColumn::Field,
            messages::ruleMisplaced(m_rule.id, m_keyword, misplaced->wanted, misplaced->given));
    }
    if (given == RuleScope::File)
        return std::nullopt;
    m_place.line = lineIndex(m_outline, m_rule.line);
    if (m_place.line < 0)
        return refuse(RuleColumn::Line, messages::ruleLineMissing(m_rule.id, m_rule.line));
    if (given == RuleScope::LineType)
        return std::nullopt;
    m_place.field = fieldIndex(m_outline, m_place.line, m_rule.field);
    if (m_place.field < 0)
        return refuse(RuleColumn::Field,
                      messages::ruleFieldMissing(m_rule.id, m_rule.field, m_rule.line));
    const auto misplaced = velkora::formats::misplacedField(
        m_parsed.kind, fieldType(m_place.line, m_place.field), true);
    if (misplaced)
        return refuse(
            RuleColumn::Field,
            messages::ruleMisplaced(m_rule.id, m_keyword, misplaced->wanted, misplaced->given));
    return std::nullopt;
}

// The line types the text names exist, and the fields it reads (summed or compared) are NUMERO.
std::optional<RuleRefusal> RuleRowCheck::namedLinesAndFields() const
{
    for (const QString &type : velkora::formats::namedLineTypes(m_parsed)) {
        if (lineIndex(m_outline, type) < 0)
            return refuse(RuleColumn::Text,
                          messages::ruleNamesMissingLine(m_rule.id, m_text, type));
    }
    for (const auto &[type, field] : velkora::formats::readFields(m_parsed)) {
        const int line = lineIndex(m_outline, type);
        const int at = fieldIndex(m_outline, line, field);
        if (at < 0)
            return refuse(RuleColumn::Text,
                          messages::ruleSumsMissingField(m_rule.id, m_text, field, type));
        const velkora::formats::FieldType summed = fieldType(line, at);
        if (summed != velkora::formats::FieldType::Numero)
            return refuse(
                RuleColumn::Text,
                messages::ruleNotApplicable(
                    m_rule.id, m_text,
                    QStringLiteral("%1 %2 un campo NUMERO y el campo %3 del tipo de línea %4 es %5")
                        .arg(m_keyword,
                             m_parsed.kind == RuleKind::Suma ? QStringLiteral("suma")
                                                             : QStringLiteral("compara con"),
                             field, type,
                             summed == velkora::formats::FieldType::Unknown
                                 ? QStringLiteral("sin tipo")
                                 : velkora::formats::fieldTypeName(summed))));
    }
    return std::nullopt;
}

// ENTRE's bounds read as the field's numbers or dates, the first not above the second.
std::optional<RuleRefusal> RuleRowCheck::bounds() const
{
    if (m_parsed.kind != RuleKind::Entre)
        return std::nullopt;
    const ScreenOutline::Line &line = m_outline.lines.at(m_place.line);
    const bool onDate =
        fieldType(m_place.line, m_place.field) == velkora::formats::FieldType::Fecha;
    QString why;
    // A NUMERO's decimals come from its "Formato"; one the line editor would refuse leaves the
    // bounds to the test.
    const velkora::formats::NumberFormat number =
        onDate ? velkora::formats::NumberFormat()
               : velkora::formats::NumberFormat::compile(line.formats.value(m_place.field), &why);
    if (why.isEmpty() && !velkora::formats::rangeBounds(m_parsed, onDate, number.decimals(), &why))
        return refuse(RuleColumn::Text, messages::ruleNotApplicable(m_rule.id, m_text, why));
    return std::nullopt;
}

// No earlier rule of a kind applied once per place stands in the same place.
std::optional<RuleRefusal> RuleRowCheck::repeated(QHash<QString, QString> &taken) const
{
    if (!velkora::formats::rulePlacement(m_parsed.kind).oncePerPlace)
        return std::nullopt;
    const QString key =
        QStringLiteral("%1/%2/%3").arg(m_keyword).arg(m_place.line).arg(m_place.field);
    if (const QString earlier = taken.value(key); !earlier.isEmpty())
        return refuse(RuleColumn::Text,
                      messages::ruleRepeated(m_rule.id, m_text, earlier, m_keyword));
    taken.insert(key, m_rule.id);
    return std::nullopt;
}

std::optional<RuleRefusal> RuleRowCheck::check(QHash<QString, QString> &taken)
{
    if (auto refusal = read())
        return refusal;
    if (auto refusal = place())
        return refusal;
    if (auto refusal = namedLinesAndFields())
        return refusal;
    if (auto refusal = bounds())
        return refusal;
    return repeated(taken);
}

// The rule's text with the line types and the field it names written as the grids show them
// ("SUMA 2.20" is "SUMA 0002.0020").
QString writtenWithScreenNumbers(QString text, const ScreenOutline &outline)
{
    const auto line = [&outline](const QString &number) {
        const int at = lineIndex(outline, number);
        return at < 0 ? number : outline.lines.at(at).order;
    };
    const auto field = [&outline](const QString &number, const QString &field) {
        const int type = lineIndex(outline, number);
        const int at = type < 0 ? -1 : fieldIndex(outline, type, field);
        return at < 0 ? field : outline.lines.at(type).fields.at(at);
    };
    velkora::formats::renumberRuleText(text, {line, field});
    return text;
}

} // namespace

QList<ScreenRule> rulesOnScreen(const velkora::store::ShownRules &shown,
                                const QList<velkora::store::LineNumbering> &lines,
                                const QList<velkora::store::FieldNumbering> &fields)
{
    QList<ScreenRule> out;
    out.reserve(shown.rules.size());
    for (const velkora::store::LayoutRuleValues &rule : shown.rules) {
        ScreenRule row{rule.id, QString(), QString(), rule.text, rule.description, false};
        if (!rule.lineId.trimmed().isEmpty()) {
            row.line = orderNow(lines, rule.lineId);
            if (row.line.isEmpty()) {
                row.line = rule.lineId;
                row.stale = true;
            }
        }
        if (!rule.fieldId.trimmed().isEmpty()) {
            row.field = fieldNow(lines, fields, rule.lineId, rule.fieldId);
            if (row.field.isEmpty()) {
                row.field = shown.shownFieldId(rule.lineId, rule.fieldId);
                row.stale = true;
            }
        }
        if (!carryText(row.text, shown, lines, fields))
            row.stale = true;
        out << row;
    }
    return out;
}

std::optional<RuleRefusal> checkScreenRules(const QList<ScreenRule> &rules,
                                            const ScreenOutline &outline)
{
    // Where each rule applied once per place stands: kind, line type and field -> the rule.
    QHash<QString, QString> taken;
    for (int row = 0; row < rules.size(); ++row) {
        if (auto refusal = RuleRowCheck(rules.at(row), row, outline).check(taken))
            return refusal;
    }
    return std::nullopt;
}

QStringList takeScreenRules(velkora::store::ShownRules &shown, const QList<ScreenRule> &rules,
                            const ScreenOutline &outline)
{
    const QString key = shown.rules.isEmpty() ? QString() : shown.rules.first().key;
    velkora::store::ShownRules taken;
    taken.read = true;
    taken.available = shown.available;
    QStringList orders;
    for (const ScreenOutline::Line &line : outline.lines) {
        orders << line.order;
        for (const QString &field : line.fields)
            taken.addLoadedField(line.order, field, field);
    }
    for (int i = 0; i < rules.size(); ++i) {
        const ScreenRule &rule = rules.at(i);
        velkora::store::LayoutRuleValues row{key,       fourDigits(i + 1),   QString(),
                                             QString(), rule.text.trimmed(), rule.description};
        // Written as the grids show them ("1" is the line type the grid shows as "0001").
        if (const int line = lineIndex(outline, rule.line); line >= 0) {
            row.lineId = outline.lines.at(line).order;
            if (const int field = fieldIndex(outline, line, rule.field); field >= 0)
                row.fieldId = outline.lines.at(line).fields.at(field);
        }
        row.text = writtenWithScreenNumbers(row.text, outline);
        taken.rules << row;
    }
    shown = std::move(taken);
    return orders;
}

} // namespace kesta::editor
