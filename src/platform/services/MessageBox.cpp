#include "MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

namespace velkora::services {

namespace {

struct ButtonSpec {
    QMessageBox::StandardButton button;
    const char *objectName;
};

QList<ButtonSpec> buttonsFor(int style)
{
    switch (style & 0x0F) {
    case 1:
        return {{QMessageBox::Ok, "btnOK"}, {QMessageBox::Cancel, "btnCancel"}};
    case 2:
        return {{QMessageBox::Abort, "btnAbort"},
                {QMessageBox::Retry, "btnRetry"},
                {QMessageBox::Ignore, "btnIgnore"}};
    case 3:
        return {{QMessageBox::Yes, "btnYes"},
                {QMessageBox::No, "btnNo"},
                {QMessageBox::Cancel, "btnCancel"}};
    case 4:
        return {{QMessageBox::Yes, "btnYes"}, {QMessageBox::No, "btnNo"}};
    case 5:
        return {{QMessageBox::Retry, "btnRetry"}, {QMessageBox::Cancel, "btnCancel"}};
    default:
        return {{QMessageBox::Ok, "btnOK"}};
    }
}

QMessageBox::Icon iconFor(int style)
{
    switch (style & 0xF0) {
    case 16:
        return QMessageBox::Critical;
    case 32:
        return QMessageBox::Question;
    case 48:
        return QMessageBox::Warning;
    case 64:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

MessageBox::MessageBox(const QString &text, int style, const QString &title, QWidget *owner,
                       const QString &module, const QString &messageId)
    : QMessageBox(owner), m_module(module), m_messageId(messageId), m_style(style)
{
    setObjectName(QStringLiteral("velkoraMessageBox"));
    setWindowTitle(title);
    setText(text);
    setTextFormat(Qt::PlainText);
    setIcon(iconFor(style));
    const QString origin = originText(module, messageId);
    if (!origin.isEmpty())
        setInformativeText(origin);

    const QList<ButtonSpec> specs = buttonsFor(style);
    for (const ButtonSpec &spec : specs) {
        QAbstractButton *button = addButton(spec.button);
        button->setObjectName(QLatin1String(spec.objectName));
    }
    const int defaultIndex = (style & 0x300) >> 8;
    if (defaultIndex < specs.size())
        setDefaultButton(specs.at(defaultIndex).button);
    // Escape and the window's close button answer with Cancel, else with the only button,
    // else with No (Qt's own choice of the escape button).
}

int MessageBox::run()
{
    exec();
    QAbstractButton *clicked = clickedButton();
    return clicked ? answerOf(standardButton(clicked)) : 0;
}

int MessageBox::answerOf(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok:
        return 1;
    case QMessageBox::Cancel:
        return 2;
    case QMessageBox::Abort:
        return 3;
    case QMessageBox::Retry:
        return 4;
    case QMessageBox::Ignore:
        return 5;
    case QMessageBox::Yes:
        return 6;
    case QMessageBox::No:
        return 7;
    default:
        return 0;
    }
}

QString MessageBox::originText(const QString &module, const QString &messageId)
{
    QStringList parts;
    if (!module.trimmed().isEmpty())
        parts << module.trimmed();
    if (!messageId.trimmed().isEmpty())
        parts << messageId.trimmed();
    return parts.join(QStringLiteral(" \u00B7 "));
}

} // namespace velkora::services
