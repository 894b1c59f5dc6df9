#include "fs/DoEvents.h"
#include "fs/TimeSpent.h"
#include <QCoreApplication>

void DoEvents() {
    const TimeSpent::Measure spent(TimeSpent::Activity::Yield);
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}
