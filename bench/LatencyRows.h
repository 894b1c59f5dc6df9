#pragma once
// The complete copy of the modern site at a distance: a server of its own serving the
// site behind a DelayingProxy (each chunk passed on after delayMs in either direction,
// a round trip 2 x delayMs), the copiers given the proxy's address as the site's. The
// program one request at a time and four, as served and converted, wget -r -np -p and
// wget2 -r -np (without -p: wget2 1.99 refuses requisites outside the start folder).
#include "bench/CopierRun.h"

#include <QList>
#include <QString>

struct ModernSite;

struct LatencyRow {
    QString label;
    CopyRun run;
    int connections = 0;  // connections the proxy accepted during the run
    int mostAtOnce = 0;   // the most open at once
};

struct LatencyPoint {
    int delayMs = 0;
    // In this order: the program with 1 connection as served, 4 as served, 4 converted,
    // wget, wget2.
    QList<LatencyRow> rows;
};

LatencyPoint latencyRows(const ModernSite& site, const QString& work, int delayMs = 10);
