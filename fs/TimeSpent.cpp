#include "fs/TimeSpent.h"
#include <algorithm>
#include <array>
#include <vector>

namespace TimeSpent {
namespace {
std::array<qint64, size_t(Activity::Count)> g_totals{};
std::array<std::vector<qint64>, size_t(Activity::Count)> g_samples;
}

int count(Activity activity) {
    return int(g_samples[size_t(activity)].size());
}

qint64 median(Activity activity) {
    std::vector<qint64> s = g_samples[size_t(activity)];
    if (s.empty())
        return 0;
    std::nth_element(s.begin(), s.begin() + s.size() / 2, s.end());
    return s[s.size() / 2];
}

qint64 total(Activity activity) {
    return g_totals[size_t(activity)];
}

void add(Activity activity, qint64 nanoseconds) {
    g_totals[size_t(activity)] += nanoseconds;
    g_samples[size_t(activity)].push_back(nanoseconds);
}

} // namespace TimeSpent
