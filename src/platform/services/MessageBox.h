#pragma once

#include <QMessageBox>
#include <QString>

namespace velkora::services {

// The host's message box: a modal QMessageBox built from a message-box style number.
//
// Style = buttons + icon + default button, as numbers:
//   buttons 0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel;
//   icon 16 critical, 32 question, 48 warning, 64 information;
//   default 0 the first button, 256 the second, 512 the third.
// So 16 is a critical box with OK, 36 a question with Yes and No, 48 a warning, 64 information.
// Answers: 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No.
//
// The module and message id are shown under the text ("KESTA · ERR-ID:7500024") and carried
// as the properties "module" and "messageId". Object names: the box "velkoraMessageBox", its
// buttons "btnOK", "btnCancel", "btnAbort", "btnRetry", "btnIgnore", "btnYes", "btnNo".
class MessageBox : public QMessageBox {
    Q_OBJECT
    Q_PROPERTY(QString module READ module CONSTANT)
    Q_PROPERTY(QString messageId READ messageId CONSTANT)
    Q_PROPERTY(int style READ style CONSTANT)

public:
    MessageBox(const QString &text, int style, const QString &title, QWidget *owner,
               const QString &module, const QString &messageId);

    QString module() const { return m_module; }
    QString messageId() const { return m_messageId; }
    int style() const { return m_style; }

    // Shows the box modally and returns the answer's number.
    int run();

    // The answer's number of a standard button (0 for none).
    static int answerOf(QMessageBox::StandardButton button);
    // The text shown under the message: module and id joined by " · ", or the one given.
    static QString originText(const QString &module, const QString &messageId);

private:
    QString m_module;
    QString m_messageId;
    int m_style;
};

} // namespace velkora::services
