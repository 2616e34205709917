#include "ProposalJob.h"

#include <chrono>

namespace velkora::views {

using proposal::ProposalProgress;

ProposalJob::ProposalJob(QString path, ProposalJobOptions options)
    : m_path(std::move(path)), m_options(std::move(options))
{}

ProposalJob::~ProposalJob()
{
    cancel();
    if (m_thread.joinable())
        m_thread.join();
}

void ProposalJob::start()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_running || m_over)
            return;
        m_running = true;
    }
    proposal::ProposalOptions options = m_options.proposal;
    options.cancel = &m_cancel;
    options.progress = [this](const ProposalProgress &p) {
        const int step = int(p.step);
        if (step != m_step.load() || p.round != m_round.load()) {
            m_step = step;
            m_round = p.round;
            m_done = 0;
        }
        m_total.store(p.total, std::memory_order_relaxed);
        // The test reports from several threads: keep the furthest.
        qint64 seen = m_done.load(std::memory_order_relaxed);
        while (p.done > seen && !m_done.compare_exchange_weak(seen, p.done)) {
        }
        if (m_options.afterProgress)
            m_options.afterProgress();
    };
    m_thread = std::thread([this, options] {
        Outcome outcome;
        try {
            outcome.proposed =
                proposal::proposeFromFile(m_path, &outcome.proposal, &outcome.error, options);
        } catch (const std::exception &error) { // out of memory, most likely
            outcome = {};
            outcome.error = {proposal::ProposalFailure::Unreadable,
                             QStringLiteral("La propuesta desde '%1' falló: %2")
                                 .arg(m_path, QString::fromLocal8Bit(error.what()))};
        }
        std::lock_guard lock(m_mutex);
        m_outcome = std::move(outcome);
        m_running = false;
        m_over = true;
        m_finished.notify_all();
    });
}

bool ProposalJob::finished() const
{
    std::lock_guard lock(m_mutex);
    return m_over;
}

bool ProposalJob::wait(int milliseconds)
{
    std::unique_lock lock(m_mutex);
    if (milliseconds < 0) {
        m_finished.wait(lock, [this] { return m_over; });
        return true;
    }
    return m_finished.wait_for(lock, std::chrono::milliseconds(milliseconds),
                               [this] { return m_over; });
}

ProposalJobProgress ProposalJob::progress() const
{
    ProposalJobProgress p;
    p.step = ProposalProgress::Step(m_step.load(std::memory_order_relaxed));
    p.round = m_round.load(std::memory_order_relaxed);
    p.done = m_done.load(std::memory_order_relaxed);
    p.total = m_total.load(std::memory_order_relaxed);
    p.cancelling = m_cancel.load(std::memory_order_relaxed);
    return p;
}

ProposalJob::Outcome ProposalJob::take()
{
    wait(-1);
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard lock(m_mutex);
    return std::move(m_outcome);
}

} // namespace velkora::views
