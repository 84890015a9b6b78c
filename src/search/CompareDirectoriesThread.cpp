#include "CompareDirectoriesThread.h"

#include <chrono>
#include <memory>

namespace {

constexpr auto kBatchInterval = std::chrono::milliseconds(40);
constexpr size_t kBatchLimit = 2000;

} // namespace

CCompareDirectoriesThread::CCompareDirectoriesThread()
{
    commandsEnabled = true;
    classLockEnabled = true;
    lockName = "CCompareDirectoriesThread";
}

CCompareDirectoriesThread::~CCompareDirectoriesThread() { Kill(0, true); }

void CCompareDirectoriesThread::SetParameters(const vkcompare::CompareCriteria& criteria, const std::string& source,
                                              const std::string& destination)
{
    m_criteria = criteria;
    m_source = source;
    m_destination = destination;
}

void CCompareDirectoriesThread::SetHandlers(RowsHandler rows, FinishedHandler finished)
{
    m_rows = std::move(rows);
    m_finished = std::move(finished);
}

void CCompareDirectoriesThread::DoJob()
{
    using Clock = std::chrono::steady_clock;
    const RowsHandler rowsHandler = m_rows;
    const FinishedHandler finished = m_finished;
    auto aborted = [this] { return IsAbortRequested() || StopFlag(); };
    auto finish = [&](CompareOutcome outcome) {
        PostToOwner([finished, outcome] {
            if (finished)
                finished(outcome);
        });
    };

    bool readable = false;
    const auto source = vkcompare::ListCandidates(m_source, m_criteria, &readable);
    if (!readable)
        return finish({CompareOutcome::SourceMissing});
    if (aborted())
        return finish({CompareOutcome::Aborted});
    const auto destination = vkcompare::ListCandidates(m_destination, m_criteria, &readable);
    if (!readable)
        return finish({CompareOutcome::DestinationMissing});
    if (source.empty() || destination.empty())
        return finish({CompareOutcome::NoFiles});

    auto batch = std::make_shared<std::vector<CompareRowEntry>>();
    Clock::time_point lastPost = Clock::now();
    auto flush = [&] {
        if (batch->empty())
            return;
        PostToOwner([rowsHandler, rows = std::move(batch)] {
            if (rowsHandler)
                rowsHandler(*rows);
        });
        batch = std::make_shared<std::vector<CompareRowEntry>>();
        lastPost = Clock::now();
    };
    // Without a criterion every pair matches: both sides are listed whole.
    const vkcompare::CompareResult result = vkcompare::Compare(
        m_criteria, source, destination, aborted, [&](bool sourceSide, size_t index) {
            const vkcompare::CandidateFile& file = sourceSide ? source[index] : destination[index];
            batch->push_back({sourceSide, file.fileName, vkcompare::RowOf(file)});
            if (batch->size() >= kBatchLimit || Clock::now() - lastPost >= kBatchInterval)
                flush();
        });
    flush();
    CompareOutcome outcome;
    outcome.kind = result.aborted ? CompareOutcome::Aborted : CompareOutcome::Done;
    outcome.sourceRows = result.source.size();
    outcome.destinationRows = result.destination.size();
    finish(outcome);
}
