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

CopyRun runCopier(const Copier& c, const QStringList& extra, HttpServer& server, const QString& start) {
    const qsizetype before = server.requests().size();
    const int bodies = server.bodiesSent();
    const qint64 bytes = server.bodyBytesSent();
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    p.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    if (c.program.endsWith("mirasito"))
        p.start(c.program, QStringList{"--copia", start, c.folder} + c.args + extra);
    else
        p.start(c.program, c.args + extra + QStringList{"-P", c.folder, start});
    CopyRun r;
    if (!p.waitForStarted())
        return r;
    // Sampled every 50 ms: a copy's peak lasts as long as its largest file takes.
    while (!p.waitForFinished(50)) {
        r.peakRssKb = std::max(r.peakRssKb, treeRssKb(p.processId()));
        if (clock.elapsed() > 600000) {
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
    const QList<HttpServer::Request> all = server.requests();
    for (qsizetype i = before; i < all.size(); ++i)
        r.requests += all[i].header("User-Agent").contains(c.userAgent) ? 1 : 0;
    r.bodies = server.bodiesSent() - bodies;
    r.bytes = server.bodyBytesSent() - bytes;
    return r;
}
