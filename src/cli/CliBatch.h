// velkor-cli convert: the pictures of a run, where each is written and what
// happens to an output that exists, then the workers that convert them.
#pragma once

#include "cli/CliOptions.h"

#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

// One picture of a run.
struct BatchJob {
    std::string input;
    std::string output; // planned target; empty when the job is not written
    enum class Plan { Write, Skip, Fail } plan = Plan::Write;
    std::string message;   // why it is skipped or failed
    bool replaces = false; // an existing file at output may be replaced
};

// Inputs expanded: files as given, folders walked (-r) in name order.
struct BatchInputs {
    std::vector<std::pair<std::string, std::string>> files; // {input, output path relative to DIR}
    std::vector<std::string> problems;                      // inputs or folders that could not be read
    size_t leftOut = 0; // files in the folders walked whose names have no picture extension
};
BatchInputs CollectInputs(const std::vector<std::string>& inputs, bool recursive, const std::string& type,
                          const std::string& outputDir);

// Answer to the question about an existing file.
enum class AskAnswer {
    Replace,
    Skip,
    Rename,
    ReplaceAll,
    SkipAll,
    Refuse, // no answer (no terminal, end of input)
};
using AskFunction = std::function<AskAnswer(const std::string& path)>;

// Decides every job's target in input order, before any work starts, so the
// outcome does not depend on which worker is first. Inputs of the run are
// never replaced by another input's output.
class ExistsPlanner {
  public:
    ExistsPlanner(ExistsPolicy policy, AskFunction ask);
    // Records the files of the run, so none is written over by another.
    void AddInput(const std::string& path);
    void Plan(BatchJob& job, const std::string& target);

  private:
    bool Taken(const std::string& path) const;
    bool IsOtherInput(const std::string& path, const std::string& input) const;
    bool Rename(BatchJob& job, const std::string& target);

    ExistsPolicy m_policy;
    AskFunction m_ask;
    std::set<std::string> m_planned;
    std::set<std::pair<unsigned long, unsigned long>> m_inputs; // device, inode
};

// Asks on the terminal (standard error, answers read from standard input);
// Refuse when either is not a terminal.
AskAnswer AskOnTerminal(const std::string& path);

// Runs `work` on min(jobs, count) threads (jobs 0: one per core), this one
// included; each call of work takes items until none are left.
void RunOnWorkers(int jobs, size_t count, const std::function<void()>& work);

// Runs convert (both forms); returns the exit status.
int RunConvert(const CliRequest& request);

// Runs thumbnails: fills the thumbnail cache for the pictures named or
// found in the folders (-r); returns the exit status.
int RunThumbnails(const CliRequest& request);
