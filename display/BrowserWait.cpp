#include "display/BrowserWait.h"
#include "display/WebBrowser.h"
#include "fs/DoEvents.h"
#include "fs/TimeSpent.h"
#include <QEventLoop>
#include <QTimer>

void yieldWhileBusy(WebBrowser* browser) {
    const TimeSpent::Measure spent(TimeSpent::Activity::BrowserWait);
    for (;;) {
        DoEvents();
        if (!browser->Busy())
            return;
        QEventLoop pause;
        QObject::connect(browser, &WebBrowser::loadFinished, &pause, &QEventLoop::quit);
        QTimer::singleShot(25, &pause, &QEventLoop::quit);
        pause.exec();
        if (!browser->Busy())
            return;
    }
}
