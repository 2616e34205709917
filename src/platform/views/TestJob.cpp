#include "TestJob.h"

#include <algorithm>

namespace velkora::views {

TestJob::TestJob(formats::LoadFormat format, QString path, TestJobOptions options)
    : m_format(std::move(format)), m_path(std::move(path)), m_options(options),
      m_compiled(std::make_shared<const formats::CompiledFormat>(m_format))
{}

TestJob::~TestJob()
{
    cancel();
    if (m_testThread.joinable())
        m_testThread.join();
    if (m_indexThread.joinable())
        m_indexThread.join();
}

void TestJob::start()
{
    if (m_testThread.joinable() || m_indexThread.joinable())
        return;
    m_clock.start();
    m_running = 2;
    // The index takes a core of its own: the test reads with the others.
    const int cores = std::clamp(int(std::thread::hardware_concurrency()), 1, 4);
    formats::TestOptions test;
    test.detailLines = m_options.detailLines;
    test.listLimit = m_options.listLimit;
    test.chunkBytes = m_options.chunkBytes;
    test.threads = m_options.threads > 0 ? m_options.threads : std::max(1, cores - 1);
    test.cancel = &m_cancel;
    test.progress = [this](qint64 done, qint64 total) {
        m_total.store(total, std::memory_order_relaxed);
        // Chunks are delivered by several threads: keep the furthest.
        qint64 seen = m_testDone.load(std::memory_order_relaxed);
        while (done > seen && !m_testDone.compare_exchange_weak(seen, done)) {
        }
        if (m_options.afterTestChunk)
            m_options.afterTestChunk();
    };
    m_testThread = std::thread([this, test] {
        formats::TestReport report;
        try {
            report = formats::testLoadFormat(m_format, m_path, test);
        } catch (const std::exception &error) { // out of memory, most likely
            report = {};
            report.error = QStringLiteral("La prueba del formato de carga '%1' falló: %2")
                               .arg(m_format.key, QString::fromLocal8Bit(error.what()));
        }
        std::lock_guard lock(m_mutex);
        m_report = std::move(report);
        done();
    });

    formats::LineIndexOptions index;
    index.reverse = m_format.reverse;
    index.blockBytes = m_options.indexBlockBytes;
    index.cancel = &m_cancel;
    index.progress = [this](qint64 done, qint64 total, qint64 lines) {
        m_total.store(total, std::memory_order_relaxed);
        m_indexDone.store(done, std::memory_order_relaxed);
        m_lines.store(lines, std::memory_order_relaxed);
        if (m_options.afterIndexBlock)
            m_options.afterIndexBlock();
    };
    m_indexThread = std::thread([this, index] {
        formats::LineIndex built;
        try {
            built = formats::buildLineIndex(*m_compiled, m_path, index);
        } catch (const std::exception &) {
            built = {}; // did not run: the result is shown without the tables
        }
        std::lock_guard lock(m_mutex);
        m_index = std::move(built);
        done();
    });
}

void TestJob::done()
{
    // Called with the mutex held.
    if (--m_running == 0)
        m_finished.notify_all();
}

void TestJob::cancel()
{
    m_cancel = true;
}

bool TestJob::finished() const
{
    std::lock_guard lock(m_mutex);
    return m_running == 0;
}

bool TestJob::wait(int milliseconds)
{
    std::unique_lock lock(m_mutex);
    if (milliseconds < 0) {
        m_finished.wait(lock, [this] { return m_running == 0; });
        return true;
    }
    return m_finished.wait_for(lock, std::chrono::milliseconds(milliseconds),
                               [this] { return m_running == 0; });
}

TestProgress TestJob::progress() const
{
    TestProgress progress;
    progress.total = m_total.load(std::memory_order_relaxed);
    progress.done = std::min(m_testDone.load(std::memory_order_relaxed),
                             m_indexDone.load(std::memory_order_relaxed));
    progress.lines = m_lines.load(std::memory_order_relaxed);
    progress.elapsedMs = m_clock.isValid() ? m_clock.elapsed() : 0;
    progress.cancelling = m_cancel.load(std::memory_order_relaxed);
    return progress;
}

TestOutcome TestJob::take()
{
    wait(-1);
    if (m_taken) {
        TestOutcome none;
        none.report.error = QStringLiteral("El resultado de la prueba ya se entregó.");
        return none;
    }
    m_taken = true;
    TestOutcome outcome;
    std::lock_guard lock(m_mutex);
    outcome.report = std::move(m_report);
    if (outcome.report.ran && m_index.ran()) {
        auto file = std::make_shared<TestedFile>();
        file->format = m_compiled;
        file->path = m_path;
        file->index = std::move(m_index);
        // Both read in the same order: the index keeps no line that the test did not read,
        // and numbers its lines as the test does.
        file->testedLines = outcome.report.result.lines;
        file->causes = outcome.report.causes;
        if (outcome.report.cancelled)
            file->index.truncate(outcome.report.result.lines);
        else
            file->index.setFileLineCount(outcome.report.result.lines);
        outcome.file = std::move(file);
    }
    return outcome;
}

} // namespace velkora::views
