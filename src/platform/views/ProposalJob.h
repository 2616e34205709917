#pragma once

#include "proposal/Proposal.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace velkora::views {

struct ProposalJobOptions {
    proposal::ProposalOptions proposal; // its progress and cancel are the job's own
    // Called on the job's thread after each report of progress: a slow disk or network share
    // as a proposal sees it.
    std::function<void()> afterProgress;
};

// How far a running proposal has gone.
struct ProposalJobProgress {
    proposal::ProposalProgress::Step step = proposal::ProposalProgress::Step::Reading;
    int round = 1;
    qint64 done = 0;
    qint64 total = -1; // -1 until known
    bool cancelling = false;
};

// Proposes a load format from a file off the calling thread (proposal::proposeFromFile).
// cancel() stops it within a block of the file; it then fails as Cancelled. The destructor
// cancels and waits.
class ProposalJob {
public:
    struct Outcome {
        bool proposed = false;
        proposal::Proposal proposal;
        proposal::ProposalError error;
    };

    explicit ProposalJob(QString path, ProposalJobOptions options = {});
    ~ProposalJob();
    ProposalJob(const ProposalJob &) = delete;
    ProposalJob &operator=(const ProposalJob &) = delete;

    void start();
    void cancel() { m_cancel = true; }
    bool finished() const;
    // Waits until the job finishes, at most `milliseconds` (-1: as long as it takes).
    bool wait(int milliseconds);
    ProposalJobProgress progress() const;
    // The outcome, once finished (only once).
    Outcome take();

    const QString &path() const { return m_path; }

private:
    QString m_path;
    ProposalJobOptions m_options;
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_step{0};
    std::atomic<int> m_round{1};
    std::atomic<qint64> m_done{0};
    std::atomic<qint64> m_total{-1};
    mutable std::mutex m_mutex;
    std::condition_variable m_finished;
    bool m_running = false;
    bool m_over = false;
    Outcome m_outcome;
    std::thread m_thread;
};

} // namespace velkora::views
