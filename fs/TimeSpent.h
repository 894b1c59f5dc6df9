#pragma once
#include <QElapsedTimer>
#include <QtGlobal>

// Where the program's time goes during a copy: waiting for the browser pane, in
// transfers, writing files. Totals since the program started, in nanoseconds.
namespace TimeSpent {

enum class Activity { BrowserWait, Transfer, FileWrite, Yield, Count };

qint64 total(Activity activity);
// How many times the activity was measured, and the median of those times.
int count(Activity activity);
qint64 median(Activity activity);
void add(Activity activity, qint64 nanoseconds);

// Adds the time from its making to its end to the activity.
class Measure {
public:
    explicit Measure(Activity activity) : m_activity(activity) { m_timer.start(); }
    ~Measure() { add(m_activity, m_timer.nsecsElapsed()); }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;

private:
    Activity m_activity;
    QElapsedTimer m_timer;
};

} // namespace TimeSpent
