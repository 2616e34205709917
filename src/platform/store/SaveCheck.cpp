#include "SaveCheck.h"

#include "ColumnLimits.h"
#include "Literals.h"

#include <QHash>

#include <functional>

namespace velkora::store {

namespace {

using Place = SaveProblem::Place;
using Code = SaveProblem::Code;

struct Checker {
    Place place;
    int row;
    // How the user knows the row: none for the header, "Línea 0002", "Línea 0002, campo 0010";
    // made only for a problem.
    std::function<QString()> label;
    std::optional<SaveProblem> problem;

    QString what(const QString &name) const
    {
        const QString text = label ? label() : QString();
        return text.isEmpty() ? name : text + QStringLiteral(", ") + name;
    }
    SaveProblem *fail(const QString &column, const QString &name, SaveProblem::Code code)
    {
        if (problem)
            return nullptr;
        problem = SaveProblem{place, column, row, code, what(name), {}, {}, 0, 0, 0};
        return &*problem;
    }
    void text(const QString &column, const QString &name, const QString &value, int maxLength)
    {
        if (value.size() > maxLength) {
            if (SaveProblem *p = fail(column, name, Code::TextTooLong)) {
                p->value = value;
                p->length = value.size();
                p->maxLength = maxLength;
            }
        }
        // Control characters (a NUL, a line break, a TAB, ESC...), noncharacters and half of a
        // surrogate pair cannot be stored as typed on every engine.
        if (const qsizetype at = firstUnstorableCharacter(value); at >= 0) {
            if (SaveProblem *p = fail(column, name, Code::UnstorableCharacter)) {
                p->value = value;
                p->character = value.at(at).unicode();
            }
        }
    }
    void whole(const QString &column, const QString &name, const QString &value)
    {
        const QString t = value.trimmed();
        bool digits = !t.isEmpty() && t.size() <= ColumnLength::PositionDigits;
        for (const QChar c : t)
            digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!digits || t.toLongLong() > MaxPositionValue) {
            if (SaveProblem *p = fail(column, name, Code::NotANumber))
                p->value = value;
        }
    }
    void decimal(const QString &column, const QString &name, const QString &value)
    {
        if (!isPlainNumber(value)) {
            if (SaveProblem *p = fail(column, name, Code::NotANumber))
                p->value = value;
            return;
        }
        if (!fitsDecimal(value, UserNumberDigits, UserNumberDecimals)) {
            if (SaveProblem *p = fail(column, name, Code::NumberDoesNotFit))
                p->value = value;
        }
    }
};

// A key text as SQL Server compares it: blanks at the end left out, upper and lower case alike.
QString serverKeyForm(const QString &stored)
{
    qsizetype end = stored.size();
    while (end > 0 && stored.at(end - 1) == QLatin1Char(' '))
        --end;
    return stored.left(end).toCaseFolded();
}

// The first line number or field ID that SQL Server would take for one already written.
std::optional<SaveProblem> serverKeyCollision(const QList<LayoutLineValues> &lines,
                                              const QList<LayoutFieldValues> &fields)
{
    QHash<QString, QString> orders; // key form -> the number as stored
    for (int row = 0; row < lines.size(); ++row) {
        const QString order = fourDigits(lines.at(row).order);
        const QString form = serverKeyForm(order);
        if (const auto seen = orders.constFind(form); seen != orders.cend())
            return SaveProblem{Place::Line,
                               QStringLiteral("Ly_ID"),
                               row,
                               Code::KeysCollide,
                               QStringLiteral("No."),
                               *seen,
                               order,
                               0,
                               0,
                               0};
        orders.insert(form, order);
    }
    QHash<QString, QString> ids; // line's key form + "|" + field's key form -> the ID as stored
    for (int row = 0; row < fields.size(); ++row) {
        const LayoutFieldValues &v = fields.at(row);
        const QString id = fourDigits(v.id);
        const QString form =
            serverKeyForm(fourDigits(v.lineId)) + QLatin1Char('|') + serverKeyForm(id);
        if (const auto seen = ids.constFind(form); seen != ids.cend())
            return SaveProblem{Place::Field,
                               QStringLiteral("Ld_ID"),
                               row,
                               Code::KeysCollide,
                               QStringLiteral("Línea %1, Id").arg(fourDigits(v.lineId)),
                               *seen,
                               id,
                               0,
                               0,
                               0};
        ids.insert(form, id);
    }
    return std::nullopt;
}

} // namespace

std::optional<SaveProblem> checkSaveRows(kesta::host::Engine engine,
                                         const QList<LayoutLineValues> &lines,
                                         const QList<LayoutFieldValues> &fields)
{
    for (int row = 0; row < lines.size(); ++row) {
        const LayoutLineValues &v = lines.at(row);
        if (row == 0) {
            // The header is the same on every row: checked once.
            Checker header{Place::Header, -1, {}, {}};
            header.text(QStringLiteral("Ly_Cve_Layout"), QStringLiteral("Clave"), v.key,
                        ColumnLength::Key);
            header.text(QStringLiteral("Ly_Descripcion"), QStringLiteral("Descripción"),
                        v.description, ColumnLength::Description);
            header.text(QStringLiteral("Ly_Archivo"), QStringLiteral("Archivo"), v.file,
                        ColumnLength::File);
            header.text(QStringLiteral("Ly_UserDef_1"), QStringLiteral("Dato 1"), v.user1,
                        ColumnLength::UserText);
            header.text(QStringLiteral("Ly_UserDef_2"), QStringLiteral("Dato 2"), v.user2,
                        ColumnLength::UserText);
            // A datum kept NULL is not written from its box: nothing of it to check.
            if (!v.userDataIsNull(3))
                header.decimal(QStringLiteral("Ly_UserDef_3"), QStringLiteral("Dato 3"), v.user3);
            if (!v.userDataIsNull(4))
                header.decimal(QStringLiteral("Ly_UserDef_4"), QStringLiteral("Dato 4"), v.user4);
            header.text(QStringLiteral("Oper_Alta"), QStringLiteral("Operador"), v.operatorAlta,
                        ColumnLength::Operator);
            if (header.problem)
                return header.problem;
        }
        Checker line{Place::Line,
                     row,
                     [&v] { return QStringLiteral("Línea %1").arg(fourDigits(v.order)); },
                     {}};
        line.text(QStringLiteral("Ly_ID"), QStringLiteral("No."), fourDigits(v.order),
                  ColumnLength::LineOrder);
        line.text(QStringLiteral("Ly_Linea_ID"), QStringLiteral("Id"), v.lineId,
                  ColumnLength::LineId);
        line.text(QStringLiteral("Ly_Descripcion_ID"), QStringLiteral("Descripción"),
                  v.lineDescription, ColumnLength::LineDescription);
        line.whole(QStringLiteral("Ly_Posicion"), QStringLiteral("Posición"), v.position);
        line.whole(QStringLiteral("Ly_Longitud"), QStringLiteral("Longitud"), v.length);
        if (line.problem)
            return line.problem;
    }
    for (int row = 0; row < fields.size(); ++row) {
        const LayoutFieldValues &v = fields.at(row);
        Checker field{Place::Field,
                      row,
                      [&v] {
                          return QStringLiteral("Línea %1, campo %2")
                              .arg(fourDigits(v.lineId), fourDigits(v.id));
                      },
                      {}};
        field.text(QStringLiteral("Ly_ID"), QStringLiteral("Linea_ID"), fourDigits(v.lineId),
                   ColumnLength::LineOrder);
        field.text(QStringLiteral("Ld_ID"), QStringLiteral("Id"), fourDigits(v.id),
                   ColumnLength::FieldId);
        field.text(QStringLiteral("Ld_Descripcion"), QStringLiteral("Descripción"), v.description,
                   ColumnLength::FieldDescription);
        field.whole(QStringLiteral("Ld_Posicion"), QStringLiteral("Posición"), v.position);
        field.whole(QStringLiteral("Ld_Longitud"), QStringLiteral("Longitud"), v.length);
        field.text(QStringLiteral("Ld_Trim"), QStringLiteral("Trim"), v.trim, ColumnLength::Flag);
        field.text(QStringLiteral("Ld_Valor"), QStringLiteral("Valor"), v.valor,
                   ColumnLength::FieldValue);
        field.text(QStringLiteral("Ld_Formato"), QStringLiteral("Formato"), v.formato,
                   ColumnLength::FieldFormat);
        field.text(QStringLiteral("Ld_Tipo"), QStringLiteral("Tipo"), v.tipo, ColumnLength::Flag);
        if (field.problem)
            return field.problem;
    }
    if (engine == kesta::host::Engine::SqlServer)
        return serverKeyCollision(lines, fields);
    return std::nullopt;
}

} // namespace velkora::store
