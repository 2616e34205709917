#include "ProposalModels.h"

#include "formats/LoadFormat.h"

#include <QLocale>
#include <algorithm>

namespace velkora::views {

namespace {

QString numberText(int index)
{
    return QStringLiteral("%1").arg(index + 1, 4, 10, QLatin1Char('0'));
}

QVariant alignment(bool number)
{
    return QVariant::fromValue(Qt::Alignment(number ? Qt::AlignRight | Qt::AlignVCenter
                                                    : Qt::AlignLeft | Qt::AlignVCenter));
}

} // namespace

QString confidenceText(double confidence)
{
    const double bounded = std::clamp(confidence, 0.0, 1.0);
    return QStringLiteral("%1 %").arg(qRound(bounded * 100));
}

ProposedLineTypesModel::ProposedLineTypesModel(const proposal::Proposal &proposal, QObject *parent)
    : QAbstractTableModel(parent), m_lineTypes(proposal.lineTypes)
{}

int ProposedLineTypesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lineTypes.size());
}

int ProposedLineTypesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProposedLineTypesModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const proposal::ProposedLineType &type = m_lineTypes.at(index.row());
    const auto column = Column(index.column());
    if (role == Qt::TextAlignmentRole)
        return alignment(column != Id && column != Description);
    if (role != Qt::DisplayRole)
        return {};
    const QLocale locale;
    switch (column) {
    case Id:
        return type.id;
    case Position:
        return type.idPosition;
    case Length:
        return type.idLength;
    case Description:
        return type.description;
    case Lines:
        return locale.toString(type.lines);
    case FirstLine:
        return locale.toString(type.firstLine);
    case Confidence:
        return confidenceText(type.confidence);
    case ColumnCount:
        break;
    }
    return {};
}

QVariant ProposedLineTypesModel::headerData(int section, Qt::Orientation orientation,
                                            int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (Column(section)) {
    case Id:
        return QStringLiteral("Id");
    case Position:
        return QStringLiteral("Posición");
    case Length:
        return QStringLiteral("Longitud");
    case Description:
        return QStringLiteral("Descripción");
    case Lines:
        return QStringLiteral("Líneas");
    case FirstLine:
        return QStringLiteral("Primera línea");
    case Confidence:
        return QStringLiteral("Confianza");
    case ColumnCount:
        break;
    }
    return {};
}

ProposedFieldsModel::ProposedFieldsModel(QObject *parent) : QAbstractTableModel(parent) {}

void ProposedFieldsModel::setFields(const QList<proposal::ProposedField> &fields)
{
    beginResetModel();
    m_fields = fields;
    endResetModel();
}

int ProposedFieldsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

int ProposedFieldsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProposedFieldsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const proposal::ProposedField &field = m_fields.at(index.row());
    const auto column = Column(index.column());
    if (role == Qt::TextAlignmentRole)
        return alignment(column == Number || column == Position || column == Length ||
                         column == Confidence);
    // What was guessed of the field, on each of its cells.
    if (role == Qt::ToolTipRole)
        return field.guess.isEmpty() ? QVariant() : QVariant(field.guess);
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case Number:
        return QStringLiteral("%1").arg(index.row() + 1, 4, 10, QLatin1Char('0'));
    case Description:
        return field.description;
    case Position:
        return field.position;
    case Length:
        return field.length;
    case Type: {
        const formats::FieldType type = formats::fieldTypeFromCode(field.typeCode);
        return type == formats::FieldType::Unknown ? field.typeCode : formats::fieldTypeName(type);
    }
    case Format:
        return field.format;
    case Value:
        return field.value;
    case Trim:
        return field.trim ? QStringLiteral("SI") : QStringLiteral("NO");
    case Confidence:
        return confidenceText(field.confidence);
    case ColumnCount:
        break;
    }
    return {};
}

QVariant ProposedFieldsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (Column(section)) {
    case Number:
        return QStringLiteral("No.");
    case Description:
        return QStringLiteral("Descripción");
    case Position:
        return QStringLiteral("Posición");
    case Length:
        return QStringLiteral("Longitud");
    case Type:
        return QStringLiteral("Tipo");
    case Format:
        return QStringLiteral("Formato");
    case Value:
        return QStringLiteral("Valor");
    case Trim:
        return QStringLiteral("Trim");
    case Confidence:
        return QStringLiteral("Confianza");
    case ColumnCount:
        break;
    }
    return {};
}

ProposedRulesModel::ProposedRulesModel(const proposal::Proposal &proposal, QObject *parent)
    : QAbstractTableModel(parent), m_proposal(proposal)
{}

int ProposedRulesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_proposal.rules.size());
}

int ProposedRulesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProposedRulesModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const proposal::ProposedRule &rule = m_proposal.rules.at(index.row());
    const auto column = Column(index.column());
    if (role == Qt::TextAlignmentRole)
        return alignment(column == Number || column == Confidence);
    if (role == Qt::ToolTipRole)
        return rule.guess.isEmpty() ? QVariant() : QVariant(rule.guess);
    if (role != Qt::DisplayRole)
        return {};
    const bool ofType = rule.lineType >= 0 && rule.lineType < m_proposal.lineTypes.size();
    const proposal::ProposedLineType *type =
        ofType ? &m_proposal.lineTypes.at(rule.lineType) : nullptr;
    switch (column) {
    case Number:
        return numberText(index.row());
    case LineType:
        return type ? QStringLiteral("%1 %2").arg(numberText(rule.lineType), type->description)
                    : QString();
    case Field:
        return type && rule.field >= 0 && rule.field < type->fields.size()
                   ? QStringLiteral("%1 %2").arg(numberText(rule.field),
                                                 type->fields.at(rule.field).description)
                   : QString();
    case Rule:
        return rule.text;
    case Description:
        return rule.description;
    case Confidence:
        return confidenceText(rule.confidence);
    case ColumnCount:
        break;
    }
    return {};
}

QVariant ProposedRulesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (Column(section)) {
    case Number:
        return QStringLiteral("No.");
    case LineType:
        return QStringLiteral("Tipo de línea");
    case Field:
        return QStringLiteral("Campo");
    case Rule:
        return QStringLiteral("Regla");
    case Description:
        return QStringLiteral("Descripción");
    case Confidence:
        return QStringLiteral("Confianza");
    case ColumnCount:
        break;
    }
    return {};
}

} // namespace velkora::views
