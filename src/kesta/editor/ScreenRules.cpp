#include "ScreenRules.h"

#include "store/RuleRows.h"

#include <formats/NumberFormat.h>
#include <formats/RuleBounds.h>
#include <formats/RuleNames.h>
#include <formats/RuleParser.h>
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
QString orderNow(const QList<storage::LineNumbering> &lines, const QString &loaded)
{
    for (const storage::LineNumbering &line : lines) {
        if (!line.loadedOrder.isEmpty() && sameNumber(line.loadedOrder, loaded))
            return line.order;
    }
    return {};
}

// The number the field stored as `stored` in the line type loaded under `loaded` has now;
// empty when it is gone.
QString fieldNow(const QList<storage::LineNumbering> &lines,
                 const QList<storage::FieldNumbering> &fields, const QString &loaded,
                 const QString &stored)
{
    const QString order = orderNow(lines, loaded);
    if (order.isEmpty())
        return {};
    for (const storage::FieldNumbering &field : fields) {
        if (sameNumber(field.lineId, order) && !field.storedId.isEmpty() &&
            sameNumber(field.storedId, stored))
            return field.newId;
    }
    return {};
}

// The rule's text with the line types and the fields it names by number carried to what the
// screen shows now; false when one of them is gone (the text then names it as the user last saw
// it: a line type by its number, a field by the number the load showed it under).
bool carryText(QString &text, const storage::ShownRules &shown,
               const QList<storage::LineNumbering> &lines,
               const QList<storage::FieldNumbering> &fields)
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

QString placeName(RuleScope scope)
{
    return scope == RuleScope::File       ? QStringLiteral("el archivo (sin tipo de línea)")
           : scope == RuleScope::LineType ? QStringLiteral("un tipo de línea (sin campo)")
                                          : QStringLiteral("un campo");
}

// Of these kinds only one rule is applied in one place.
bool onceInAPlace(RuleKind kind)
{
    switch (kind) {
    case RuleKind::Registro:
    case RuleKind::Codificacion:
    case RuleKind::Prevalece:
    case RuleKind::Longitud:
    case RuleKind::Veces:
    case RuleKind::Primera:
    case RuleKind::Ultima:
    case RuleKind::Tras:
    case RuleKind::Valores:
    case RuleKind::Entre:
        return true;
    default:
        return false;
    }
}

// The field types a rule of the kind reads ("NUMERO o Fecha"); empty for any.
QString fieldTypeWanted(RuleKind kind)
{
    switch (kind) {
    case RuleKind::Cuenta:
    case RuleKind::Suma:
    case RuleKind::Igual:
    case RuleKind::Secuencia:
    case RuleKind::SecuenciaLinea:
        return QStringLiteral("NUMERO");
    case RuleKind::Entre:
        return QStringLiteral("NUMERO o Fecha");
    default:
        return {};
    }
}

// A field type's name by its code ("01" is NUMERO).
QString typeName(const QString &code)
{
    static const QStringList names{QStringLiteral("NUMERO"), QStringLiteral("TEXTO"),
                                   QStringLiteral("Fecha"), QStringLiteral("CONSTANTE"),
                                   QStringLiteral("SQL")};
    bool ok = false;
    const int n = code.toInt(&ok);
    return ok && n >= 1 && n <= names.size() ? names.at(n - 1) : QStringLiteral("sin tipo");
}

// The column to correct when a rule of the kind stands in the wrong place.
RuleColumn misplacedColumn(RuleScope wanted, RuleScope given)
{
    if (wanted == RuleScope::File || given == RuleScope::File)
        return RuleColumn::Line;
    return RuleColumn::Field;
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

// A fault of one rule: the message and the column to correct.
struct Fault {
    RuleColumn column = RuleColumn::Text;
    messages::Message message;
};

// The rule stands where its kind applies (the file, a line type, a field of the type it
// needs), and what it names is on the screen; `place` is where it stands.
std::optional<Fault> placeFault(const ScreenRule &rule, const velkora::formats::ParsedRule &parsed,
                                const ScreenOutline &outline, Place &place)
{
    const RuleScope wanted = velkora::formats::ruleScope(parsed.kind);
    const RuleScope given = rule.line.trimmed().isEmpty()    ? RuleScope::File
                            : rule.field.trimmed().isEmpty() ? RuleScope::LineType
                                                             : RuleScope::Field;
    const QString keyword = velkora::formats::ruleKeyword(parsed.kind);
    if (wanted != given)
        return Fault{
            misplacedColumn(wanted, given),
            messages::ruleMisplaced(rule.id, keyword, placeName(wanted), placeName(given))};
    if (given != RuleScope::File) {
        place.line = lineIndex(outline, rule.line);
        if (place.line < 0)
            return Fault{RuleColumn::Line, messages::ruleLineMissing(rule.id, rule.line)};
    }
    if (given == RuleScope::Field) {
        place.field = fieldIndex(outline, place.line, rule.field);
        if (place.field < 0)
            return Fault{RuleColumn::Field,
                         messages::ruleFieldMissing(rule.id, rule.field, rule.line)};
    }
    if (const QString wantedType = fieldTypeWanted(parsed.kind); !wantedType.isEmpty()) {
        const QString code = outline.lines.at(place.line).types.value(place.field);
        const QString givenType = typeName(code);
        if (!wantedType.split(QStringLiteral(" o ")).contains(givenType))
            return Fault{RuleColumn::Field,
                         messages::ruleMisplaced(rule.id, keyword,
                                                 QStringLiteral("un campo ") + wantedType,
                                                 QStringLiteral("un campo ") + givenType)};
    }
    return std::nullopt;
}

// The line types the text names, and the fields it reads (summed or compared), are on the
// screen, and those fields are NUMERO.
std::optional<Fault> namedFault(const QString &id, const QString &text,
                                const velkora::formats::ParsedRule &parsed,
                                const ScreenOutline &outline)
{
    const QString keyword = velkora::formats::ruleKeyword(parsed.kind);
    for (const QString &type : velkora::formats::namedLineTypes(parsed)) {
        if (lineIndex(outline, type) < 0)
            return Fault{RuleColumn::Text, messages::ruleNamesMissingLine(id, text, type)};
    }
    for (const auto &[type, field] : velkora::formats::readFields(parsed)) {
        const int line = lineIndex(outline, type);
        const int at = fieldIndex(outline, line, field);
        if (at < 0)
            return Fault{RuleColumn::Text, messages::ruleSumsMissingField(id, text, field, type)};
        const QString summed = typeName(outline.lines.at(line).types.value(at));
        if (summed != QLatin1String("NUMERO"))
            return Fault{RuleColumn::Text,
                         messages::ruleNotApplicable(
                             id, text,
                             QStringLiteral("%1 %2 un campo NUMERO y el campo %3 del "
                                            "tipo de línea %4 es %5")
                                 .arg(keyword,
                                      parsed.kind == RuleKind::Suma ? QStringLiteral("suma")
                                                                    : QStringLiteral("compara con"),
                                      field, type, summed))};
    }
    return std::nullopt;
}

// ENTRE's bounds read as the field's type reads its values.
std::optional<Fault> rangeFault(const QString &id, const QString &text,
                                const velkora::formats::ParsedRule &parsed,
                                const ScreenOutline &outline, const Place &place)
{
    if (parsed.kind != RuleKind::Entre)
        return std::nullopt;
    const ScreenOutline::Line &line = outline.lines.at(place.line);
    const bool onDate = typeName(line.types.value(place.field)) == QLatin1String("Fecha");
    QString why;
    // A NUMERO's decimals come from its "Formato"; one the line editor would refuse leaves the
    // bounds to the test.
    const velkora::formats::NumberFormat number =
        onDate ? velkora::formats::NumberFormat()
               : velkora::formats::NumberFormat::compile(line.formats.value(place.field), &why);
    if (why.isEmpty() && !velkora::formats::rangeBounds(parsed, onDate, number.decimals(), &why))
        return Fault{RuleColumn::Text, messages::ruleNotApplicable(id, text, why)};
    return std::nullopt;
}

// The first fault of one rule, in the order the checks are made; `taken` holds where the rules
// applied once per place stand.
std::optional<Fault> ruleFault(const ScreenRule &rule, const ScreenOutline &outline,
                               QHash<QString, QString> &taken)
{
    const QString text = rule.text.trimmed();
    if (text.isEmpty())
        return Fault{RuleColumn::Text, messages::ruleWithoutText(rule.id)};
    if (rule.stale)
        return Fault{RuleColumn::Text, messages::ruleNoLongerFits(rule.id, text)};
    QString why;
    const std::optional<velkora::formats::ParsedRule> parsed =
        velkora::formats::parseRule(text, &why);
    if (!parsed)
        return Fault{RuleColumn::Text, messages::ruleUnreadable(rule.id, text, why)};
    Place place;
    if (auto fault = placeFault(rule, *parsed, outline, place))
        return fault;
    if (auto fault = namedFault(rule.id, text, *parsed, outline))
        return fault;
    if (auto fault = rangeFault(rule.id, text, *parsed, outline, place))
        return fault;
    if (onceInAPlace(parsed->kind)) {
        const QString keyword = velkora::formats::ruleKeyword(parsed->kind);
        const QString key =
            QStringLiteral("%1/%2/%3").arg(keyword).arg(place.line).arg(place.field);
        if (const QString earlier = taken.value(key); !earlier.isEmpty())
            return Fault{RuleColumn::Text, messages::ruleRepeated(rule.id, text, earlier, keyword)};
        taken.insert(key, rule.id);
    }
    return std::nullopt;
}

} // namespace

QList<ScreenRule> rulesOnScreen(const storage::ShownRules &shown,
                                const QList<storage::LineNumbering> &lines,
                                const QList<storage::FieldNumbering> &fields)
{
    QList<ScreenRule> out;
    out.reserve(shown.rules.size());
    for (const storage::LayoutRuleValues &rule : shown.rules) {
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
        const std::optional<Fault> fault = ruleFault(rules.at(row), outline, taken);
        if (fault)
            return RuleRefusal{row, fault->column, fault->message};
    }
    return std::nullopt;
}

QStringList takeScreenRules(storage::ShownRules &shown, const QList<ScreenRule> &rules,
                            const ScreenOutline &outline)
{
    const QString key = shown.rules.isEmpty() ? QString() : shown.rules.first().key;
    storage::ShownRules taken;
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
        storage::LayoutRuleValues row{key,       fourDigits(i + 1),   QString(),
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
