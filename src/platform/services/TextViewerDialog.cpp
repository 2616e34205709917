#include "TextViewerDialog.h"

#include "MessageBox.h"
#include "controls/FileDialogs.h"
#include "host/RuntimeError.h"
#include "views/FixedWidthFont.h"
#include "views/RawLinesView.h"
#include "views/ResultTablesView.h"
#include "views/TestResultViews.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

namespace velkora::services {

namespace {

TextFileChooser &chooser()
{
    static TextFileChooser theChooser;
    return theChooser;
}

QString chooseFile(QWidget *viewer, const QString &suggestedName)
{
    if (chooser())
        return chooser()(viewer, suggestedName);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    controls::FileDialogRequest request;
    request.kind = controls::FileDialogRequest::Kind::Save;
    request.title = QStringLiteral("Guardar el texto");
    request.start = folder + QLatin1Char('/') + suggestedName;
    request.filters = QStringList{QStringLiteral("Texto (*.txt)")};
    return controls::chooseFile(viewer, request);
}

QPushButton *button(QDialogButtonBox *box, const QString &caption,
                    QDialogButtonBox::ButtonRole role, const char *name)
{
    QPushButton *b = box->addButton(caption, role);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

void setTextFileChooser(TextFileChooser newChooser)
{
    chooser() = std::move(newChooser);
}

TextViewerDialog::TextViewerDialog(const QString &text, const QString &title, QWidget *parent)
    : QDialog(parent), m_text(new QPlainTextEdit(this)), m_findBar(new QWidget(this)),
      m_find(new QLineEdit(m_findBar)), m_findStatus(new QLabel(m_findBar))
{
    setObjectName(QStringLiteral("dlgTextViewer"));
    setWindowTitle(title.isEmpty() ? QStringLiteral("Velkora") : title);
    setSizeGripEnabled(true);
    m_text->setObjectName(QStringLiteral("txtTexto"));
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(views::fixedWidthFont());
    m_text->setPlainText(text);

    m_findBar->setObjectName(QStringLiteral("barraBuscar"));
    m_find->setObjectName(QStringLiteral("txtBuscar"));
    m_find->setPlaceholderText(QStringLiteral("Buscar"));
    m_find->setClearButtonEnabled(true);
    m_find->installEventFilter(this);
    m_findStatus->setObjectName(QStringLiteral("lblBuscar"));
    auto *next = new QPushButton(QStringLiteral("Siguiente"), m_findBar);
    next->setObjectName(QStringLiteral("cmdSiguiente"));
    next->setAutoDefault(false);
    auto *previous = new QPushButton(QStringLiteral("Anterior"), m_findBar);
    previous->setObjectName(QStringLiteral("cmdAnterior"));
    previous->setAutoDefault(false);
    auto *findLayout = new QHBoxLayout(m_findBar);
    findLayout->setContentsMargins(0, 0, 0, 0);
    findLayout->addWidget(new QLabel(QStringLiteral("Buscar:"), m_findBar));
    findLayout->addWidget(m_find, 1);
    findLayout->addWidget(previous);
    findLayout->addWidget(next);
    findLayout->addWidget(m_findStatus);
    m_findBar->hide();
    connect(m_find, &QLineEdit::textEdited, this, [this] { m_findStatus->clear(); });
    connect(next, &QPushButton::clicked, this, [this] { findNext(); });
    connect(previous, &QPushButton::clicked, this, [this] { findNext(true); });

    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &TextViewerDialog::showFind);
    auto *again = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(again, &QShortcut::activated, this, [this] { findNext(); });
    auto *back = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
    connect(back, &QShortcut::activated, this, [this] { findNext(true); });

    auto *buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("botones"));
    QPushButton *copyButton =
        button(buttons, QStringLiteral("Copiar"), QDialogButtonBox::ActionRole, "cmdCopiar");
    QPushButton *saveButton =
        button(buttons, QStringLiteral("Guardar..."), QDialogButtonBox::ActionRole, "cmdGuardar");
    QPushButton *close =
        button(buttons, QStringLiteral("Cerrar"), QDialogButtonBox::RejectRole, "cmdCerrar");
    close->setDefault(true);
    connect(copyButton, &QPushButton::clicked, this, &TextViewerDialog::copy);
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // Long lines scroll sideways; the user may have them wrapped instead.
    auto *wrap = new QCheckBox(QStringLiteral("Ajustar las líneas"), this);
    wrap->setObjectName(QStringLiteral("chkAjustar"));
    connect(wrap, &QCheckBox::toggled, this, [this](bool on) {
        m_text->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    });
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(wrap);
    bottom->addWidget(buttons, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_findBar);
    layout->addLayout(bottom);

    QSize size(900, 600);
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    resize(size);
    m_text->setFocus();
}

QString TextViewerDialog::text() const
{
    return m_text->toPlainText();
}

void TextViewerDialog::addPage(QWidget *page, const QString &title)
{
    if (!m_pages) {
        m_pages = new QTabWidget(this);
        m_pages->setObjectName(QStringLiteral("tabsVisor"));
        delete layout()->replaceWidget(m_text, m_pages);
        m_pages->addTab(m_text, QStringLiteral("Texto"));
    }
    m_pages->addTab(page, title);
}

void TextViewerDialog::showPage(QWidget *page)
{
    if (m_pages)
        m_pages->setCurrentWidget(page);
}

void TextViewerDialog::addTestViews(std::shared_ptr<const views::TestedFile> file, int lineType,
                                    int field)
{
    auto *views = new views::TestResultViews(std::move(file), this);
    if (lineType >= 0 && field >= 0)
        views->lines()->highlightFieldAt(lineType, field);
    addPage(views->tables(), QStringLiteral("Tablas"));
    addPage(views->linesPage(), QStringLiteral("Líneas del archivo"));
    connect(views, &views::TestResultViews::linesPageRequested, this,
            [this, views] { showPage(views->linesPage()); });
    QSize size(1100, 720);
    if (const QScreen *screen = this->screen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    resize(size.expandedTo(this->size()));
}

void TextViewerDialog::showFind()
{
    showPage(m_text);
    m_findBar->show();
    m_find->setFocus(Qt::ShortcutFocusReason);
    m_find->selectAll();
}

bool TextViewerDialog::findNext(bool backward)
{
    showPage(m_text);
    const QString wanted = m_find->text();
    if (wanted.isEmpty()) {
        showFind();
        return false;
    }
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = m_text->find(wanted, flags);
    if (!found) {
        // Wrap around: from the other end of the text.
        const QTextCursor kept = m_text->textCursor();
        QTextCursor cursor = kept;
        cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        m_text->setTextCursor(cursor);
        found = m_text->find(wanted, flags);
        if (!found)
            m_text->setTextCursor(kept);
    }
    m_findStatus->setText(found ? QString() : QStringLiteral("No se encontró «%1».").arg(wanted));
    return found;
}

void TextViewerDialog::copy()
{
    const QString selected = m_text->textCursor().selection().toPlainText();
    QGuiApplication::clipboard()->setText(selected.isEmpty() ? m_text->toPlainText() : selected);
}

void TextViewerDialog::saveTo(const QString &fileName) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_text->toPlainText().toUtf8()) < 0 ||
        !file.commit())
        throw kesta::host::RuntimeError(QStringLiteral("No se pudo guardar el texto en '%1': %2")
                                            .arg(fileName, file.errorString()));
}

bool TextViewerDialog::save()
{
    const QString fileName = chooseFile(this, QStringLiteral("velkora.txt"));
    if (fileName.isEmpty())
        return false;
    try {
        saveTo(fileName);
        return true;
    } catch (const kesta::host::RuntimeError &error) {
        MessageBox(error.description(), 16, windowTitle(), this, QString(), QString()).run();
        return false;
    }
}

bool TextViewerDialog::eventFilter(QObject *watched, QEvent *event)
{
    // Enter finds (and does not reach the window's default button, which closes it); Escape
    // hides the find box (and does not close the window).
    if (watched == m_find && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            findNext(key->modifiers() & Qt::ShiftModifier);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            m_findBar->hide();
            m_text->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TestResultSlot::keep(const QString &text, std::shared_ptr<const views::TestedFile> file)
{
    m_text = text;
    m_file = std::move(file);
}

std::shared_ptr<const views::TestedFile> TestResultSlot::take(const QString &text)
{
    if (!m_file || text != m_text)
        return {};
    m_text.clear();
    return std::exchange(m_file, nullptr);
}

TextViewerImpl::TextViewerImpl(std::shared_ptr<TestResultSlot> tests) : m_tests(std::move(tests)) {}

void TextViewerImpl::ShowText(const QString &text, const QString &title, int, int, int, int, int,
                              int)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        throw kesta::host::RuntimeError(
            QStringLiteral("A text cannot be shown without the application's windows."));
    TextViewerDialog dialog(text, title, QApplication::activeWindow());
    if (m_tests)
        if (auto file = m_tests->take(text))
            dialog.addTestViews(std::move(file), m_lineType, m_field);
    dialog.exec();
}

void TextViewerImpl::HighlightField(int lineType, int field)
{
    m_lineType = lineType;
    m_field = field;
}

} // namespace velkora::services
