#include "models/fileops/FailureReport.h"

namespace vkfileops {

void CFailureReport::Report(const std::string& text)
{
    ++m_count;
    if (m_first.size() < kNamesInSummary)
        m_first.push_back(text.substr(0, text.find('\n')));
    if (!m_skipping && m_show && m_show(text, m_count > 1))
        m_skipping = true;
}

std::string CFailureReport::Summary() const
{
    if (!m_skipping)
        return std::string();
    std::string text = std::to_string(m_count) + " files failed:";
    for (const std::string& line : m_first)
        text += "\n" + line;
    if (size_t(m_count) > m_first.size())
        text += "\n...";
    return text;
}

} // namespace vkfileops
