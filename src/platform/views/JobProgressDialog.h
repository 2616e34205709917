#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace velkora::views {

// The modal window over a job that runs off the screen's thread: what it works on, a bar of
// the bytes done, a line of text and "Cancelar", which asks the job to stop (so do Escape and
// closing the window). It polls the job ten times a second and closes itself once the job has
// finished; the event loop runs meanwhile, so every window is repainted.
// Object names: `objectName`, `fileLabelName`, "barProgreso", "lblAvance", "cmdCancelar".
class JobProgressDialog : public QDialog {
    Q_OBJECT
public:
    struct Names {
        QString objectName;
        QString title;
        QString fileLabelName;
        QString fileText;
    };

public slots:
    void reject() override; // cancels the job; the window closes once it has stopped

protected:
    JobProgressDialog(const Names &names, QWidget *parent);

    // Starts polling the job; called by the derived window once it can answer.
    void startPolling();
    void showProgress(qint64 done, qint64 total, const QString &text);

    virtual bool jobFinished() const = 0;
    virtual void cancelJob() = 0;
    virtual void refresh() = 0; // calls showProgress

private:
    QProgressBar *m_bar;
    QLabel *m_text;
    QPushButton *m_cancel;
    QTimer *m_timer;
};

// "12,5" for 12.5 MB, in the user's locale.
QString megabytesText(qint64 bytes);

// Runs `dialog` modally under a busy pointer: the caller may show one, and over this window the
// user can still cancel.
void execUnderBusyPointer(QDialog &dialog);

} // namespace velkora::views
