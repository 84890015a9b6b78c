#include "models/search/CompareDirectoriesThread.h"

#include "models/search/ResultBatch.h"

namespace {

CompareOutcome CompareBoth(const CompareDirectoriesJob& job, CThread& worker)
{
    auto aborted = [&worker] { return worker.IsCancelled(); };
    bool readable = false;
    const auto source = vkcompare::ListCandidates(job.source, job.criteria, &readable);
    if (!readable)
        return {CompareOutcome::SourceMissing};
    if (aborted())
        return {CompareOutcome::Aborted};
    const auto destination = vkcompare::ListCandidates(job.destination, job.criteria, &readable);
    if (!readable)
        return {CompareOutcome::DestinationMissing};
    if (source.empty() || destination.empty())
        return {CompareOutcome::NoFiles};

    CResultBatch<CompareRowEntry> batch(worker, job.rows);
    // Without a criterion every pair matches: both sides are listed whole.
    const vkcompare::CompareResult result =
        vkcompare::Compare(job.criteria, source, destination, aborted, [&](bool sourceSide, size_t index) {
            const vkcompare::CandidateFile& file = sourceSide ? source[index] : destination[index];
            batch.Add({sourceSide, file.fileName, vkcompare::RowOf(file)});
        });
    batch.Flush();
    CompareOutcome outcome;
    outcome.kind = result.aborted ? CompareOutcome::Aborted : CompareOutcome::Done;
    outcome.sourceRows = result.source.size();
    outcome.destinationRows = result.destination.size();
    return outcome;
}

} // namespace

void CompareDirectoriesJob::Run(const CompareDirectoriesJob& job, CThread& worker)
{
    const CompareOutcome outcome = CompareBoth(job, worker);
    worker.PostToOwner([finished = job.finished, outcome] {
        if (finished)
            finished(outcome);
    });
}
