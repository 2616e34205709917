#pragma once

#include "TestJob.h"

#include "JobProgressDialog.h"

namespace velkora::views {

// The progress of a running TestJob, in a modal window: the file, a bar of the bytes read of
// the file's size, the lines read and lines per second, and "Cancelar", which stops the job
// and keeps what was read (so do Escape and closing the window). The window closes itself
// once the job has finished; the event loop runs meanwhile, so every window is repainted.
// Object names: "dlgProgresoPrueba", "lblArchivoPrueba", "barProgreso", "lblAvance",
// "cmdCancelar".
class TestProgressDialog : public JobProgressDialog {
    Q_OBJECT
public:
    TestProgressDialog(TestJob &job, QWidget *parent = nullptr);

    // "12,5 de 100,0 MB · 1.234.567 líneas · 456.789 líneas/s".
    static QString progressText(const TestProgress &progress);

private:
    bool jobFinished() const override;
    void cancelJob() override;
    void refresh() override;

    TestJob &m_job;
};

struct RunOptions {
    TestJobOptions job;
    // A test that ends sooner shows no window at all (and runs no event loop).
    int quietMilliseconds = 400;
};

// Runs a test of a load format on a file (see TestJob): waits quietly for a short while, then
// shows a TestProgressDialog over `parent` until the test has finished or been cancelled.
TestOutcome runLoadFormatTest(const formats::LoadFormat &format, const QString &path,
                              QWidget *parent, const RunOptions &options = {});

} // namespace velkora::views
