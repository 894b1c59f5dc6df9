#include "bench/LatencyRows.h"
#include "bench/DelayingProxy.h"
#include "bench/ModernSite.h"
#include "tests/support/HttpServer.h"

LatencyPoint latencyRows(const ModernSite& site, const QString& work, int delayMs) {
    HttpServer server;
    DelayingProxy proxy(server.port(), delayMs);
    site.serve(server, proxy.hostPort());
    const QString start = proxy.url(ModernSite::start());
    const QString level = QString::number(ModernSite::depth());
    const QStringList program{"--livello", level, "--completa", "--nascosto"};
    const struct {
        const char* label;
        Copier copier;
    } copiers[] = {
        {"mirasito --connessioni 1 --come-servito",
         {"mirasito", MIRASITO_EXE, program + QStringList{"--connessioni", "1", "--come-servito"}, "Mirasito", work + "/m1"}},
        {"mirasito --connessioni 4 --come-servito",
         {"mirasito", MIRASITO_EXE, program + QStringList{"--connessioni", "4", "--come-servito"}, "Mirasito", work + "/m4"}},
        {"mirasito --connessioni 4 (converted)",
         {"mirasito", MIRASITO_EXE, program + QStringList{"--connessioni", "4"}, "Mirasito", work + "/m4c"}},
        {"wget -r -np -p -l 4 -nH", {"wget", "wget", {"-r", "-np", "-p", "-l", level, "-nH", "-q"}, "Wget/", work + "/wget"}},
        {"wget2 -r -np -l 4 -nH", {"wget2", "wget2", {"-r", "-np", "-l", level, "-nH", "-q"}, "wget2/", work + "/wget2"}},
        // More connections than the default, to see what they still bring.
        {"mirasito --connessioni 8 --come-servito",
         {"mirasito", MIRASITO_EXE, program + QStringList{"--connessioni", "8", "--come-servito"}, "Mirasito", work + "/m8"}},
    };
    LatencyPoint point;
    point.delayMs = delayMs;
    for (const auto& c : copiers) {
        proxy.resetCounts();
        LatencyRow row;
        row.label = QString::fromLatin1(c.label);
        row.run = runCopier(c.copier, {}, server, start);
        row.connections = proxy.connections();
        row.mostAtOnce = proxy.mostOpenAtOnce();
        point.rows.append(row);
    }
    return point;
}
