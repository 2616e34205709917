#include "RulesDialog.h"

#include "GridCells.h"
#include "RuleWordChooser.h"
#include "messages/Messages.h"
#include "store/ColumnLimits.h"
#include "store/Literals.h"

#include <controls/DataGrid.h>
#include <formats/RuleHelp.h>

#include <QAction>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace kesta::editor {

using velkora::controls::DataGrid;
using velkora::controls::GridColumn;

namespace {

// The grid's columns, in this order; the last one, never shown, keeps what a rule that no
// longer fits the format looked like when the dialog opened.
enum Column { Id, Line, Field, Text, Description, Origin };

const char *const columnNames[] = {"Lr_ID",    "Ly_ID",          "Ld_ID",
                                   "Lr_Regla", "Lr_Descripcion", "Origen"};

QList<GridColumn> ruleColumns()
{
    using namespace velkora::store::ColumnLength;
    const auto column = [](Column which, const QString &caption, int width, int maxLength) {
        GridColumn c;
        c.name = QString::fromLatin1(columnNames[which]);
        c.caption = caption;
        c.width = width;
        c.maxLength = maxLength;
        return c;
    };
    QList<GridColumn> columns{
        column(Id, QStringLiteral("No."), 50, RuleId),
        column(Line, QStringLiteral("Tipo de línea"), 90, LineOrder),
        column(Field, QStringLiteral("Campo"), 60, FieldId),
        column(Text, QStringLiteral("Regla"), 300, RuleText),
        column(Description, QStringLiteral("Descripción"), 220, RuleDescription),
        column(Origin, QStringLiteral("Origen"), 0, 0),
    };
    columns[Id].locked = true;
    columns[Origin].locked = true;
    return columns;
}

QString originOf(const QString &line, const QString &field, const QString &text)
{
    return QStringList{line, field, text}.join(QChar(0x1f));
}

int gridColumn(RuleColumn column)
{
    switch (column) {
    case RuleColumn::Id:
        return Id;
    case RuleColumn::Line:
        return Line;
    case RuleColumn::Field:
        return Field;
    case RuleColumn::Text:
        return Text;
    case RuleColumn::Description:
        return Description;
    }
    return Text;
}

} // namespace

RulesDialog::RulesDialog(Parts parts, QWidget *parent) : QDialog(parent), m_parts(std::move(parts))
{
    setObjectName(QStringLiteral("frmReglas"));
    setWindowTitle(QStringLiteral("Reglas del formato %1").arg(m_parts.key));
    setModal(true);

    buildGrid();
    QDialogButtonBox *buttons = buildButtons();
    if (m_parts.editable)
        addGridKeys();
    connectPasteRefusal();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ruleWords());
    layout->addWidget(m_grid);
    layout->addWidget(buttons);
    resize(800, 360);
}

void RulesDialog::buildGrid()
{
    m_grid = new DataGrid(this);
    m_grid->setObjectName(QStringLiteral("ssReglas"));
    m_grid->setAccessibleName(QStringLiteral("Reglas"));
    m_grid->setColumns(ruleColumns());
    // What each rule word says, since the syntax cannot be guessed (docs/rules.md).
    m_grid->setToolTip(velkora::formats::ruleWordHelp().join(QLatin1Char('\n')));
    m_grid->setColumnHidden(Origin, true);
    QList<QVariantList> rows;
    for (const ScreenRule &rule : m_parts.rules) {
        rows << QVariantList{
            rule.id,          rule.line,
            rule.field,       rule.text,
            rule.description, rule.stale ? originOf(rule.line, rule.field, rule.text) : QString()};
    }
    m_grid->AddRows(rows);
    if (m_grid->Rows() > 0)
        m_grid->setCurrentCell(0, Text);
    for (int column = Id; column <= Origin; ++column) {
        if (!m_parts.editable)
            m_grid->setColumnLocked(column, true);
    }
}

QDialogButtonBox *RulesDialog::buildButtons()
{
    auto *buttons = new QDialogButtonBox(this);
    auto *add = buttons->addButton(QStringLiteral("&Agregar"), QDialogButtonBox::ActionRole);
    add->setObjectName(QStringLiteral("cmdAgregarRegla"));
    add->setToolTip(QStringLiteral("Agrega una regla al final (Insert)"));
    auto *remove = buttons->addButton(QStringLiteral("&Quitar"), QDialogButtonBox::ActionRole);
    remove->setObjectName(QStringLiteral("cmdQuitarRegla"));
    remove->setToolTip(QStringLiteral("Quita la regla actual (Ctrl+Supr)"));
    auto *accept = buttons->addButton(QStringLiteral("Aceptar"), QDialogButtonBox::AcceptRole);
    accept->setObjectName(QStringLiteral("cmdAceptarReglas"));
    auto *cancel =
        buttons->addButton(m_parts.editable ? QStringLiteral("Cancelar") : QStringLiteral("Cerrar"),
                           QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancelarReglas"));
    add->setVisible(m_parts.editable);
    remove->setVisible(m_parts.editable);
    accept->setVisible(m_parts.editable);
    accept->setDefault(m_parts.editable);
    accept->setAutoDefault(m_parts.editable);
    cancel->setDefault(!m_parts.editable);
    add->setAutoDefault(false);
    remove->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, &RulesDialog::addRule);
    connect(remove, &QPushButton::clicked, this, &RulesDialog::removeRule);
    connect(accept, &QPushButton::clicked, this, [this] {
        if (acceptRules())
            QDialog::accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    return buttons;
}

void RulesDialog::addGridKeys()
{
    auto *addKey = new QAction(this);
    addKey->setShortcut(QKeySequence(Qt::Key_Insert));
    addKey->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    auto *removeKey = new QAction(this);
    removeKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    removeKey->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_grid->addAction(addKey);
    m_grid->addAction(removeKey);
    connect(addKey, &QAction::triggered, this, &RulesDialog::addRule);
    connect(removeKey, &QAction::triggered, this, &RulesDialog::removeRule);
}

// A paste that a cell cannot hold whole, or that holds a character that cannot be stored, is
// refused by the grid; the user is told why.
void RulesDialog::connectPasteRefusal()
{
    connect(m_grid, &DataGrid::PasteRefused, this, [this](const QString &text, int maxLength) {
        const QString what =
            QStringLiteral("Reglas, ") + m_grid->column(m_grid->currentColumn()).caption;
        if (const qsizetype at = velkora::store::firstUnstorableCharacter(text); at >= 0)
            messages::show(m_parts.owner,
                           messages::unstorableCharacter(what, text.at(at).unicode()));
        else
            messages::show(m_parts.owner, messages::pasteTooLong(what, text.size(), maxLength));
    });
}

void RulesDialog::addRule()
{
    if (!m_parts.editable)
        return;
    m_grid->Update();
    const int row = m_grid->AddNew();
    m_grid->setCell(row, Id, QStringLiteral("%1").arg(row + 1, 4, 10, QLatin1Char('0')));
    m_grid->Update();
    m_grid->setCurrentCell(row, Line);
    m_grid->setFocus();
}

// The rule words over the grid, each with its help and an example.
QWidget *RulesDialog::ruleWords()
{
    auto *words = new RuleWordChooser(m_parts.editable, this);
    connect(words, &RuleWordChooser::exampleChosen, this, &RulesDialog::useExample);
    return words;
}

void RulesDialog::useExample(const QString &example)
{
    if (!m_parts.editable || example.isEmpty())
        return;
    m_grid->commitCellEdit();
    int row = m_grid->currentRow();
    if (row < 0 || !cellText(*m_grid, row, Text).trimmed().isEmpty()) {
        addRule();
        row = m_grid->currentRow();
    }
    m_grid->setCell(row, Text, example);
    m_grid->Update();
    m_grid->setCurrentCell(row, Text);
    m_grid->setFocus();
}

void RulesDialog::removeRule()
{
    const int row = m_grid->currentRow();
    if (!m_parts.editable || row < 0)
        return;
    m_grid->RemoveRow(row);
    renumber();
    if (m_grid->Rows() > 0)
        m_grid->setCurrentCell(qMin(row, m_grid->Rows() - 1), m_grid->currentColumn());
    m_grid->setFocus();
}

void RulesDialog::renumber()
{
    for (int row = 0; row < m_grid->Rows(); ++row)
        m_grid->setCell(row, Id, QStringLiteral("%1").arg(row + 1, 4, 10, QLatin1Char('0')));
    m_grid->Update();
}

QList<ScreenRule> RulesDialog::gridRules() const
{
    QList<ScreenRule> rules;
    for (int row = 0; row < m_grid->Rows(); ++row) {
        ScreenRule rule{cellText(*m_grid, row, Id),
                        cellText(*m_grid, row, Line).trimmed(),
                        cellText(*m_grid, row, Field).trimmed(),
                        cellText(*m_grid, row, Text),
                        cellText(*m_grid, row, Description),
                        false};
        const QString origin = cellText(*m_grid, row, Origin);
        rule.stale = !origin.isEmpty() && origin == originOf(rule.line, rule.field, rule.text);
        rules << rule;
    }
    return rules;
}

bool RulesDialog::acceptRules()
{
    if (!m_parts.editable)
        return false;
    // What the user typed last counts, also in a cell still being edited.
    m_grid->commitCellEdit();
    m_grid->Update();
    // A row left empty is no rule: it goes, and the rules are numbered again.
    for (int row = m_grid->Rows() - 1; row >= 0; --row) {
        bool blank = true;
        for (int column = Line; column <= Description; ++column)
            blank = blank && cellText(*m_grid, row, Column(column)).trimmed().isEmpty();
        if (blank)
            m_grid->RemoveRow(row);
    }
    renumber();
    const QList<ScreenRule> rules = gridRules();
    if (const auto refusal = checkScreenRules(rules, m_parts.outline)) {
        messages::show(m_parts.owner, refusal->message);
        m_grid->setCurrentCell(refusal->row, gridColumn(refusal->column));
        m_grid->setFocus();
        return false;
    }
    m_accepted = rules;
    return true;
}

} // namespace kesta::editor
