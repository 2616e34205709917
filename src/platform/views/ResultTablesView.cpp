#include "ResultTablesView.h"

#include "CsvExport.h"
#include "ResultColumns.h"
#include "ResultTableModel.h"
#include "controls/FileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace velkora::views {

namespace {

ExportChooser &chooser()
{
    static ExportChooser theChooser;
    return theChooser;
}

QString choose(QWidget *parent, ExportTarget target, const QString &suggested)
{
    if (chooser())
        return chooser()(parent, target, suggested);
    using controls::FileDialogRequest;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    FileDialogRequest request;
    if (target == ExportTarget::Folder) {
        request.kind = FileDialogRequest::Kind::Folder;
        request.title = QStringLiteral("Carpeta donde se guardan las tablas");
        request.start = folder;
    } else {
        request.kind = FileDialogRequest::Kind::Save;
        request.title = QStringLiteral("Exportar la tabla");
        request.start = folder + QLatin1Char('/') + suggested;
        request.filters = QStringList{QStringLiteral("CSV (*.csv)")};
    }
    return controls::chooseFile(parent, request);
}

// Enter on a table asks for the line's view (and never reaches a dialog's default button).
class EnterFilter : public QObject {
public:
    EnterFilter(std::function<void()> onEnter, QObject *parent)
        : QObject(parent), m_onEnter(std::move(onEnter))
    {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                key->modifiers() == Qt::NoModifier) {
                m_onEnter();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onEnter;
};

} // namespace

void setExportChooser(ExportChooser newChooser)
{
    chooser() = std::move(newChooser);
}

ResultTablesView::ResultTablesView(std::shared_ptr<LineDecoder> decoder, QWidget *parent)
    : QWidget(parent), m_decoder(std::move(decoder)), m_tabs(new QTabWidget(this)),
      m_status(new QLabel(this)), m_causes(new QLabel(this)), m_total(new QLabel(this))
{
    setObjectName(QStringLiteral("vistaTablas"));
    m_tabs->setObjectName(QStringLiteral("tabsTablas"));
    m_tabs->setDocumentMode(true);
    m_status->setObjectName(QStringLiteral("lblEstadoTabla"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setWordWrap(true);

    for (int group = 0; group < m_decoder->file().index.groupCount(); ++group)
        addTable(group);
    // What the status line said was about the table left: it goes with it.
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int group) {
        setStatus(QString());
        if (group >= 0 && group < m_tables.size())
            describeCell(m_tables[group]->currentIndex());
    });
    addErrorKeys();
    QLabel *note = makeNote();
    fillTotal();
    fillCauses();
    layOut(note);

    applyErrorColors();
    // The table of the first cause's line type comes first, else the first table with errors.
    if (!m_decoder->file().causes.isEmpty())
        setCurrentGroup(m_decoder->file().causes.front().lineType);
    else if (const int first = nextGroupWithErrors(-1, false); first >= 0)
        setCurrentGroup(first);
    setStatus(QStringLiteral("F8 y Mayús+F8: siguiente y anterior celda con error."));
}

void ResultTablesView::addTable(int group)
{
    auto *model = new ResultTableModel(m_decoder, group, this);
    auto *view = new QTableView(m_tabs);
    view->setObjectName(model->isOtherLines()
                            ? QStringLiteral("tablaOtras")
                            : QStringLiteral("tablaTipo") +
                                  m_decoder->file().format->lineType(group).order);
    view->setModel(model);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setAlternatingRowColors(true);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
    view->horizontalHeader()->setHighlightSections(true);
    fitResultColumns(*view, *model);
    m_tabs->addTab(view, model->title());
    m_tables << view;
    m_models << model;

    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, model](const QModelIndex &current) {
                describeCell(current);
                if (current.isValid())
                    emit cellChosen(model->lineOfRow(current.row()), model->lineType(),
                                    model->fieldOfColumn(current.column()));
            });
    const auto request = [this, model, view] {
        const QModelIndex current = view->currentIndex();
        if (current.isValid())
            emit lineViewRequested(model->lineOfRow(current.row()), model->lineType(),
                                   model->fieldOfColumn(current.column()));
    };
    connect(view, &QTableView::doubleClicked, this, request);
    view->installEventFilter(new EnterFilter(request, view));
}

void ResultTablesView::addErrorKeys()
{
    auto *next = new QShortcut(QKeySequence(Qt::Key_F8), this);
    next->setContext(Qt::WidgetWithChildrenShortcut);
    connect(next, &QShortcut::activated, this, [this] { goToError(false); });
    auto *previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8), this);
    previous->setContext(Qt::WidgetWithChildrenShortcut);
    connect(previous, &QShortcut::activated, this, [this] { goToError(true); });
}

// Over the tables: when they show fewer lines than the test read, how many they show.
QLabel *ResultTablesView::makeNote()
{
    const formats::LineIndex &index = m_decoder->file().index;
    auto *note = new QLabel(this);
    note->setObjectName(QStringLiteral("lblNotaTablas"));
    note->setWordWrap(true);
    const QLocale locale;
    if (m_decoder->file().testedLines > index.lineCount())
        note->setText(QStringLiteral("Las tablas muestran las primeras %1 de las %2 líneas que "
                                     "leyó la prueba.")
                          .arg(locale.toString(index.lineCount()),
                               locale.toString(m_decoder->file().testedLines)));
    else if (index.cancelled() || index.partial())
        note->setText(QStringLiteral("La prueba se canceló: las tablas muestran las %1 líneas "
                                     "que se leyeron.")
                          .arg(locale.toString(index.lineCount())));
    note->setVisible(!note->text().isEmpty());
    return note;
}

// How many errors, as the test counts them: fields in error, broken rules and control
// characters.
void ResultTablesView::fillTotal()
{
    const formats::LineIndex &index = m_decoder->file().index;
    m_total->setObjectName(QStringLiteral("lblTotalErrores"));
    m_total->setWordWrap(true);
    qint64 errorLines = 0;
    for (const ResultTableModel *model : std::as_const(m_models))
        errorLines += model->errorLineCount();
    const QLocale locale;
    if (errorLines == 0)
        m_total->setText(QStringLiteral("Ninguna línea tiene errores."));
    else
        m_total->setText(
            QStringLiteral("%1 línea(s) con errores: %2 error(es) de campo y %3 de reglas.")
                .arg(locale.toString(errorLines), locale.toString(index.fieldErrorCount()),
                     locale.toString(index.ruleErrorCount())));
}

// The likely causes first, before any cell in error.
void ResultTablesView::fillCauses()
{
    m_causes->setObjectName(QStringLiteral("lblCausas"));
    m_causes->setWordWrap(true);
    m_causes->setTextFormat(Qt::RichText);
    m_causes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_causes->setFrameShape(QFrame::StyledPanel);
    m_causes->setMargin(6);
    m_causes->setAutoFillBackground(true);
    QStringList causes;
    for (const formats::LikelyCause &cause : m_decoder->file().causes) {
        const formats::LineType &type = m_decoder->file().format->lineType(cause.lineType);
        QString where = QStringLiteral("Tipo %1 %2").arg(type.order, type.description);
        if (cause.field >= 0) {
            const formats::FieldDef &def =
                m_decoder->file().format->field(cause.lineType, cause.field);
            where += QStringLiteral(" · campo %1 %2").arg(def.id, def.description);
        }
        causes << QStringLiteral("<li><b>%1</b>: %2</li>")
                      .arg(where.toHtmlEscaped(), cause.message.toHtmlEscaped());
    }
    if (!causes.isEmpty())
        m_causes->setText(QStringLiteral("<b>%1</b><ul style=\"margin: 0\">%2</ul>")
                              .arg(causes.size() == 1
                                       ? QStringLiteral("Causa probable de los errores")
                                       : QStringLiteral("Causas probables de los errores"),
                                   causes.join(QString())));
    m_causes->setVisible(!causes.isEmpty());
}

// The causes, the note and the total over the tables; the status line and the export buttons
// under them.
void ResultTablesView::layOut(QLabel *note)
{
    auto *exportOne = new QPushButton(QStringLiteral("Exportar esta tabla..."), this);
    exportOne->setObjectName(QStringLiteral("cmdExportarTabla"));
    exportOne->setAutoDefault(false);
    auto *exportEvery = new QPushButton(QStringLiteral("Exportar todas..."), this);
    exportEvery->setObjectName(QStringLiteral("cmdExportarTodas"));
    exportEvery->setAutoDefault(false);
    connect(exportOne, &QPushButton::clicked, this, &ResultTablesView::exportCurrentTable);
    connect(exportEvery, &QPushButton::clicked, this, &ResultTablesView::exportAllTables);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(exportOne);
    buttons->addWidget(exportEvery);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_causes);
    layout->addWidget(note);
    layout->addWidget(m_total);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);
}

int ResultTablesView::nextGroupWithErrors(int from, bool backward) const
{
    const int count = tableCount();
    for (int step = 1; step <= count; ++step) {
        const int group = from < 0 ? (backward ? count - step : step - 1)
                                   : ((from + (backward ? -step : step)) % count + count) % count;
        if (model(group)->hasErrors())
            return group;
    }
    return -1;
}

int ResultTablesView::tableCount() const
{
    return int(m_tables.size());
}

QTableView *ResultTablesView::table(int group) const
{
    return group >= 0 && group < m_tables.size() ? m_tables[group] : nullptr;
}

ResultTableModel *ResultTablesView::model(int group) const
{
    return group >= 0 && group < m_models.size() ? m_models[group] : nullptr;
}

int ResultTablesView::currentGroup() const
{
    return m_tabs->currentIndex();
}

void ResultTablesView::setCurrentGroup(int group)
{
    m_tabs->setCurrentIndex(group);
}

QString ResultTablesView::statusText() const
{
    return m_status->text();
}

void ResultTablesView::setStatus(const QString &text)
{
    m_status->setText(text);
}

void ResultTablesView::describeCell(const QModelIndex &index)
{
    const ResultTableModel *model = this->model(currentGroup());
    if (!model || !index.isValid() || index.model() != model)
        return;
    const QString line =
        QStringLiteral("Línea %1")
            .arg(model->data(index, ResultTableModel::LineNumberRole).toLongLong());
    const QString error = model->data(index, Qt::ToolTipRole).toString();
    QString cell = model->headerData(index.column(), Qt::Horizontal).toString();
    if (const int field = model->fieldOfColumn(index.column()); field >= 0) {
        const formats::FieldDef &def = m_decoder->file().format->field(model->lineType(), field);
        cell = QStringLiteral("campo %1 %2 (%3")
                   .arg(def.id, def.description, formats::fieldTypeName(def.type()));
        if (def.type() != formats::FieldType::Constante)
            cell += QStringLiteral(", posición %1, longitud %2").arg(def.position).arg(def.length);
        cell += QLatin1Char(')');
    }
    setStatus(error.isEmpty() ? QStringLiteral("%1 · %2").arg(line, cell)
                              : QStringLiteral("%1 · %2 · error: %3").arg(line, cell, error));
}

bool ResultTablesView::goToError(bool backward)
{
    const int group = currentGroup();
    QTableView *view = table(group);
    const ResultTableModel *model = this->model(group);
    if (!view || !model)
        return false;
    bool wrapped = false;
    QModelIndex next = model->nextError(view->currentIndex(), backward, &wrapped);
    int target = group;
    if (!next.isValid() || wrapped) {
        // Past this table's last (first) error: on to the next table with errors, round the
        // tables; round this one's ends when no other has any.
        const int other = nextGroupWithErrors(group, backward);
        if (other < 0) {
            setStatus(QStringLiteral("Ninguna tabla tiene errores."));
            return false;
        }
        if (other != group) {
            target = other;
            next = this->model(other)->nextError({}, backward);
            wrapped = backward ? other > group : other < group;
        }
    }
    if (!next.isValid())
        return false;
    view = table(target);
    setCurrentGroup(target);
    view->setCurrentIndex(next);
    view->scrollTo(next);
    view->setFocus(Qt::ShortcutFocusReason);
    if (wrapped)
        setStatus(statusText() + (backward ? QStringLiteral(" · (se siguió desde el final)")
                                           : QStringLiteral(" · (se siguió desde el principio)")));
    return true;
}

bool ResultTablesView::exportTable(int group, const QString &fileName)
{
    const ResultTableModel *model = this->model(group);
    if (!model)
        return false;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written = writeCsv(*model, fileName, &error);
    QApplication::restoreOverrideCursor();
    setStatus(written ? QStringLiteral("Se guardó la tabla (%1 filas) en %2.")
                            .arg(QLocale().toString(model->rowCount()),
                                 QDir::toNativeSeparators(fileName))
                      : QStringLiteral("No se pudo guardar la tabla en %1: %2")
                            .arg(QDir::toNativeSeparators(fileName), error));
    return written;
}

int ResultTablesView::exportAll(const QString &folder)
{
    QStringList written;
    int replaced = 0;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (const ResultTableModel *model : std::as_const(m_models)) {
        if (model->rowCount() == 0)
            continue;
        const QString fileName = QDir(folder).filePath(csvFileName(*model));
        replaced += QFileInfo::exists(fileName) ? 1 : 0;
        QString error;
        if (!writeCsv(*model, fileName, &error)) {
            QApplication::restoreOverrideCursor();
            setStatus(QStringLiteral("No se pudo guardar la tabla en %1: %2")
                          .arg(QDir::toNativeSeparators(fileName), error));
            return -1;
        }
        written << csvFileName(*model);
    }
    QApplication::restoreOverrideCursor();
    QString text =
        written.isEmpty()
            ? QStringLiteral("Ninguna tabla tiene líneas: no se guardó nada.")
            : QStringLiteral("Se guardaron %1 tabla(s) en %2: %3.")
                  .arg(written.size())
                  .arg(QDir::toNativeSeparators(folder), written.join(QStringLiteral(", ")));
    if (replaced > 0)
        text += QStringLiteral(" Se reemplazaron %1 archivo(s) que ya estaban.").arg(replaced);
    setStatus(text);
    return int(written.size());
}

void ResultTablesView::exportCurrentTable()
{
    const ResultTableModel *model = this->model(currentGroup());
    if (!model)
        return;
    const QString fileName = choose(window(), ExportTarget::CsvFile, csvFileName(*model));
    if (!fileName.isEmpty())
        exportTable(currentGroup(), fileName);
}

void ResultTablesView::exportAllTables()
{
    const QString folder = choose(window(), ExportTarget::Folder, QString());
    if (!folder.isEmpty())
        exportAll(folder);
}

void ResultTablesView::applyErrorColors()
{
    for (ResultTableModel *model : std::as_const(m_models))
        model->setErrorColors(errorBackground(palette()), palette().color(QPalette::Text));
    // The causes' panel: amber mixed into the base colour, light or dark, with its own text.
    const QColor base = palette().color(QPalette::Base);
    const QColor amber(255, 191, 0);
    const auto mix = [](int a, int b) { return (a * 3 + b) / 4; };
    QPalette panel = m_causes->palette();
    panel.setColor(QPalette::Window,
                   QColor(mix(base.red(), amber.red()), mix(base.green(), amber.green()),
                          mix(base.blue(), amber.blue())));
    panel.setColor(QPalette::WindowText, palette().color(QPalette::Text));
    m_causes->setPalette(panel);
}

void ResultTablesView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        applyErrorColors();
    QWidget::changeEvent(event);
}

} // namespace velkora::views
