#include "TextViewerDialog.h"

#include "host/RuntimeError.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velkora::services {

TextViewerDialog::TextViewerDialog(const QString &text, const QString &title, QWidget *parent)
    : QDialog(parent), m_text(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("dlgTextViewer"));
    setWindowTitle(title.isEmpty() ? QStringLiteral("Velkora") : title);
    m_text->setObjectName(QStringLiteral("txtTexto"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setPlainText(text);

    auto *buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("botones"));
    QPushButton *copy = buttons->addButton(QStringLiteral("Copiar"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("cmdCopiar"));
    QPushButton *close = buttons->addButton(QStringLiteral("Cerrar"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("cmdCerrar"));
    close->setDefault(true);
    connect(copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_text->toPlainText()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    resize(720, 480);
}

QString TextViewerDialog::text() const
{
    return m_text->toPlainText();
}

void TextViewerImpl::ShowText(const QString &text, const QString &title, int, int, int, int, int,
                              int)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        throw kesta::host::RuntimeError(
            QStringLiteral("A text cannot be shown without the application's windows."));
    TextViewerDialog dialog(text, title, QApplication::activeWindow());
    dialog.exec();
}

} // namespace velkora::services
