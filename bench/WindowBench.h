// What the window benchmarks share: the run's one QApplication, on the
// offscreen platform, and the median of a run's timings.
#pragma once

#include <QApplication>

#include <algorithm>
#include <vector>

namespace vkbench {

inline QApplication& OffscreenApp()
{
    static int argc = 1;
    static char name[] = "velkor_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace vkbench
