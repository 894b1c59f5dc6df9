#include "bench/CopierRun.h"
#include "tests/support/HttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>

qint64 treeRssKb(qint64 root) {
    QHash<qint64, qint64> parentOf;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        parentOf.insert(pid, fields.value(1).toLongLong());
    }
    qint64 total = 0;
    for (auto it = parentOf.begin(); it != parentOf.end(); ++it) {
        qint64 p = it.key();
        while (p > 1 && p != root)
            p = parentOf.value(p, 0);
        if (p != root)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(it.key()));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& l : status.readAll().split('\n'))
            if (l.startsWith("VmRSS:"))
                total += l.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return total;
}

TimedRun runTimed(const QString& program, const QStringList& args, const QProcessEnvironment& env, int sampleMs,
                  int limitMs) {
    QProcess p;
    p.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    p.start(program, args);
    TimedRun r;
    if (!p.waitForStarted())
        return r;
    while (!p.waitForFinished(sampleMs)) {
        r.peakRssKb = std::max(r.peakRssKb, treeRssKb(p.processId()));
        if (clock.elapsed() > limitMs) {
            p.kill();
            p.waitForFinished();
            return r;
        }
    }
    r.seconds = clock.nsecsElapsed() / 1e9;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    for (const QString& line : QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith("riepilogo "))
            r.summary = line;
    return r;
}

CopyRun runCopier(const Copier& c, const QStringList& extra, HttpServer& server, const QString& start) {
    const qsizetype before = server.requests().size();
    const int bodies = server.bodiesSent();
    const qint64 bytes = server.bodyBytesSent();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    const QStringList args = c.program.endsWith("mirasito") ? QStringList{"--copia", start, c.folder} + c.args + extra
                                                            : c.args + extra + QStringList{"-P", c.folder, start};
    // Sampled every 50 ms: a copy's peak lasts as long as its largest file takes.
    const TimedRun timed = runTimed(c.program, args, env, 50);
    CopyRun r;
    r.seconds = timed.seconds;
    r.code = timed.code;
    r.peakRssKb = timed.peakRssKb;
    r.summary = timed.summary;
    const QList<HttpServer::Request> all = server.requests();
    for (qsizetype i = before; i < all.size(); ++i)
        r.requests += all[i].header("User-Agent").contains(c.userAgent) ? 1 : 0;
    r.bodies = server.bodiesSent() - bodies;
    r.bytes = server.bodyBytesSent() - bytes;
    return r;
}
