#include "JobProgressDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace velkora::views {

JobProgressDialog::JobProgressDialog(const Names &names, QWidget *parent)
    : QDialog(parent), m_bar(new QProgressBar(this)), m_text(new QLabel(this)),
      m_cancel(new QPushButton(QStringLiteral("Cancelar"), this)), m_timer(new QTimer(this))
{
    setObjectName(names.objectName);
    setWindowTitle(names.title);
    setModal(true);
    auto *file = new QLabel(names.fileText, this);
    file->setObjectName(names.fileLabelName);
    file->setWordWrap(true);
    m_bar->setObjectName(QStringLiteral("barProgreso"));
    m_bar->setRange(0, 1000);
    m_bar->setValue(0);
    m_bar->setTextVisible(true);
    m_text->setObjectName(QStringLiteral("lblAvance"));
    m_cancel->setObjectName(QStringLiteral("cmdCancelar"));
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &JobProgressDialog::reject);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(m_cancel, QDialogButtonBox::RejectRole);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addWidget(m_bar);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    setMinimumWidth(480);

    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (jobFinished()) {
            m_timer->stop();
            accept();
        } else {
            refresh();
        }
    });
}

void JobProgressDialog::startPolling()
{
    m_timer->start();
    refresh();
}

void JobProgressDialog::showProgress(qint64 done, qint64 total, const QString &text)
{
    if (total > 0)
        m_bar->setValue(int(done * 1000 / total));
    m_text->setText(text);
}

void JobProgressDialog::reject()
{
    cancelJob();
    m_cancel->setEnabled(false);
    refresh(); // the window closes once the job has stopped
}

QString megabytesText(qint64 bytes)
{
    return QLocale().toString(double(bytes) / (1024.0 * 1024.0), 'f', 1);
}

void execUnderBusyPointer(QDialog &dialog)
{
    QApplication::setOverrideCursor(Qt::BusyCursor);
    dialog.exec();
    QApplication::restoreOverrideCursor();
}

} // namespace velkora::views
