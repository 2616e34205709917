#pragma once

#include "TestedFile.h"

#include "formats/LoadFormatTest.h"

#include <QElapsedTimer>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace velkora::views {

struct TestJobOptions {
    int detailLines = 1000; // as formats::TestOptions
    int listLimit = 1000;
    qint64 chunkBytes = 512 << 10;
    int threads = 0; // reading threads of the test; 0: one less than the cores (1 to 3)
    qint64 indexBlockBytes = 1 << 20;
    // Called on the index's thread after each block it has read, and on the test's threads
    // after each chunk: a slow disk or network share as a test sees it.
    std::function<void()> afterIndexBlock;
    std::function<void()> afterTestChunk;
};

struct TestProgress {
    qint64 done = 0;  // bytes of the file's data read by both the test and the index
    qint64 total = 0; // bytes of the file's data (-1 until known)
    qint64 lines = 0; // lines indexed so far
    qint64 elapsedMs = 0;
    bool cancelling = false;
};

struct TestOutcome {
    formats::TestReport report;
    // The file's index for the views; null when the test did not run or the index failed.
    std::shared_ptr<const TestedFile> file;
};

// Tests a load format on a file off the calling thread: the test (formats::testLoadFormat) and
// the index of the file's lines for the views run side by side, each reading the file once.
// cancel() stops both within a block or a chunk; the outcome then holds what was read, and the
// index never holds more lines than the test read. The destructor cancels and waits.
class TestJob {
public:
    TestJob(formats::LoadFormat format, QString path, TestJobOptions options = {});
    ~TestJob();
    TestJob(const TestJob &) = delete;
    TestJob &operator=(const TestJob &) = delete;

    void start();
    void cancel();
    bool finished() const;
    // Waits until the job finishes, at most `milliseconds` (-1: as long as it takes).
    bool wait(int milliseconds);
    TestProgress progress() const;
    // The outcome, once finished (only once).
    TestOutcome take();

    const formats::LoadFormat &format() const { return m_format; }
    const QString &path() const { return m_path; }

private:
    void done();

    formats::LoadFormat m_format;
    QString m_path;
    TestJobOptions m_options;
    std::shared_ptr<const formats::CompiledFormat> m_compiled;
    std::atomic<bool> m_cancel{false};
    std::atomic<qint64> m_testDone{0};
    std::atomic<qint64> m_indexDone{0};
    std::atomic<qint64> m_total{-1};
    std::atomic<qint64> m_lines{0};
    QElapsedTimer m_clock;
    mutable std::mutex m_mutex;
    std::condition_variable m_finished;
    int m_running = 0;
    formats::TestReport m_report;
    formats::LineIndex m_index;
    std::thread m_testThread;
    std::thread m_indexThread;
    bool m_taken = false;
};

} // namespace velkora::views
