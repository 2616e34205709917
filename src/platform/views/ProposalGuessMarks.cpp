#include "ProposalGuessMarks.h"

#include "controls/DataGrid.h"
#include "proposal/Proposal.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>

namespace velkora::views {

namespace {

QString number(qsizetype index)
{
    return QStringLiteral("%1").arg(index + 1, 4, 10, QLatin1Char('0'));
}

} // namespace

ProposalGuessMarks::ProposalGuessMarks(controls::DataGrid *fields, Columns columns,
                                       QObject *parent)
    : QObject(parent), m_fields(fields), m_columns(columns)
{
    m_fields->viewport()->installEventFilter(this);
    m_fields->verticalHeader()->viewport()->installEventFilter(this);
}

void ProposalGuessMarks::take(const proposal::Proposal &proposal)
{
    m_guesses.clear();
    for (qsizetype t = 0; t < proposal.lineTypes.size(); ++t) {
        const QList<proposal::ProposedField> &fields = proposal.lineTypes.at(t).fields;
        for (qsizetype f = 0; f < fields.size(); ++f) {
            const proposal::ProposedField &field = fields.at(f);
            if (field.guess.isEmpty())
                continue;
            m_guesses.insert({number(t), number(f)},
                             {QStringLiteral("Supuesto de la propuesta: %1").arg(field.guess),
                              QString::number(field.position), QString::number(field.length),
                              field.value, field.format});
        }
    }
}

void ProposalGuessMarks::clear()
{
    m_guesses.clear();
}

QString ProposalGuessMarks::cellText(int row, int column) const
{
    return column < 0 ? QString() : m_fields->cell(row, column).toString().trimmed();
}

QString ProposalGuessMarks::guessAt(int row) const
{
    if (m_guesses.isEmpty() || row < 0 || row >= m_fields->Rows())
        return {};
    const auto found = m_guesses.constFind(
        {cellText(row, m_columns.lineOrder), cellText(row, m_columns.id)});
    if (found == m_guesses.constEnd())
        return {};
    const Proposed &proposed = *found;
    const bool asProposed = cellText(row, m_columns.position) == proposed.position &&
                            cellText(row, m_columns.length) == proposed.length &&
                            cellText(row, m_columns.value) == proposed.value.trimmed() &&
                            cellText(row, m_columns.format) == proposed.format.trimmed();
    return asProposed ? proposed.guess : QString();
}

bool ProposalGuessMarks::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || m_guesses.isEmpty())
        return QObject::eventFilter(watched, event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const bool header = watched == m_fields->verticalHeader()->viewport();
    const int row = header ? m_fields->verticalHeader()->logicalIndexAt(help->pos())
                           : m_fields->rowAt(help->pos().y());
    const QString guess = guessAt(row);
    if (guess.isEmpty())
        return QObject::eventFilter(watched, event);
    QToolTip::showText(help->globalPos(), guess, qobject_cast<QWidget *>(watched));
    return true;
}

} // namespace velkora::views
