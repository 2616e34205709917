#include "TestProgressDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace velkora::views {

TestProgressDialog::TestProgressDialog(TestJob &job, QWidget *parent)
    : QDialog(parent), m_job(job), m_bar(new QProgressBar(this)), m_text(new QLabel(this)),
      m_cancel(new QPushButton(QStringLiteral("Cancelar"), this)), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("dlgProgresoPrueba"));
    setWindowTitle(QStringLiteral("Prueba del formato de carga %1").arg(job.format().key));
    setModal(true);
    auto *file = new QLabel(QStringLiteral("Probando el formato de carga %1 en %2")
                                .arg(job.format().key, QDir::toNativeSeparators(job.path())),
                            this);
    file->setObjectName(QStringLiteral("lblArchivoPrueba"));
    file->setWordWrap(true);
    m_bar->setObjectName(QStringLiteral("barProgreso"));
    m_bar->setRange(0, 1000);
    m_bar->setValue(0);
    m_bar->setTextVisible(true);
    m_text->setObjectName(QStringLiteral("lblAvance"));
    m_cancel->setObjectName(QStringLiteral("cmdCancelar"));
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &TestProgressDialog::reject);

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
        if (m_job.finished()) {
            m_timer->stop();
            accept();
        } else {
            refresh();
        }
    });
    m_timer->start();
    refresh();
}

QString TestProgressDialog::progressText(const TestProgress &progress)
{
    const QLocale locale;
    const auto megabytes = [&](qint64 bytes) {
        return locale.toString(double(bytes) / (1024.0 * 1024.0), 'f', 1);
    };
    QString text =
        progress.total >= 0
            ? QStringLiteral("%1 de %2 MB").arg(megabytes(progress.done), megabytes(progress.total))
            : QStringLiteral("Abriendo el archivo");
    text += QStringLiteral(" · %1 líneas").arg(locale.toString(progress.lines));
    if (progress.elapsedMs > 0)
        text += QStringLiteral(" · %1 líneas/s")
                    .arg(locale.toString(progress.lines * 1000 / progress.elapsedMs));
    return text;
}

void TestProgressDialog::refresh()
{
    const TestProgress progress = m_job.progress();
    if (progress.total > 0)
        m_bar->setValue(int(progress.done * 1000 / progress.total));
    m_text->setText(progress.cancelling ? QStringLiteral("Cancelando... se guarda lo leído: ") +
                                              progressText(progress)
                                        : progressText(progress));
}

void TestProgressDialog::reject()
{
    m_job.cancel();
    m_cancel->setEnabled(false);
    refresh(); // the window closes once the job has stopped
}

TestOutcome runLoadFormatTest(const formats::LoadFormat &format, const QString &path,
                              QWidget *parent, const RunOptions &options)
{
    TestJob job(format, path, options.job);
    job.start();
    if (!job.wait(options.quietMilliseconds)) {
        TestProgressDialog dialog(job, parent);
        // The caller may show a busy pointer: over this window the user can still cancel.
        QApplication::setOverrideCursor(Qt::BusyCursor);
        dialog.exec();
        QApplication::restoreOverrideCursor();
    }
    return job.take();
}

} // namespace velkora::views
