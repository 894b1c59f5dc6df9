#include "fs/TimeSpent.h"
#include <array>

namespace TimeSpent {
namespace {
std::array<qint64, size_t(Activity::Count)> g_totals{};
}

qint64 total(Activity activity) {
    return g_totals[size_t(activity)];
}

void add(Activity activity, qint64 nanoseconds) {
    g_totals[size_t(activity)] += nanoseconds;
}

} // namespace TimeSpent
