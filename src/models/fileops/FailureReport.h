// How the failures of one Delete or Paste run reach the user: the first one
// in its own box; from the second on the box also offers "Skip all", after
// which further failures are only counted and one summary (how many failed
// and the first few) follows at the end of the run.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vkfileops {

class CFailureReport {
  public:
    // Shows one failure; returns true when the user chose "Skip all".
    using Show = std::function<bool(const std::string& text, bool offerSkipAll)>;
    explicit CFailureReport(Show show) : m_show(std::move(show)) {}

    void Report(const std::string& text);
    // "" unless failures were skipped; else the count of all failures of the
    // run and the first lines of the first few.
    std::string Summary() const;

    static constexpr size_t kNamesInSummary = 5;

  private:
    Show m_show;
    int m_count = 0;
    bool m_skipping = false;
    std::vector<std::string> m_first;
};

} // namespace vkfileops
