#pragma once
// One copier run to the end as the complete copy's benchmark runs them: the program
// hidden from the command line, or wget / wget2, into a folder of its own, timed, the
// memory of its process tree sampled, its requests to the server counted.
#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class HttpServer;

struct Copier {
    const char* name;
    QString program;
    QStringList args;      // before the folder and the address
    QByteArray userAgent;  // how its requests are told apart
    QString folder;
};

struct CopyRun {
    double seconds = 0;
    int code = -1;
    int requests = 0;      // requests the server had from this copier during the run
    int bodies = 0;        // answers with a file (any copier's, during the run)
    qint64 bytes = 0;      // and their bytes
    qint64 peakRssKb = 0;  // the process and every process it started
    QString summary;       // the program's own summary line
};

// A process run to its end: its time, exit status (-1 when it crashed, did not start
// or was killed past the time limit), the program's summary line from its standard
// output, and the peak memory of its process tree sampled every sampleMs.
struct TimedRun {
    double seconds = 0;
    int code = -1;
    qint64 peakRssKb = 0;
    QString summary;
};
TimedRun runTimed(const QString& program, const QStringList& args, const QProcessEnvironment& env, int sampleMs,
                  int limitMs = 600000);

// Runs the copier on start (an address of server's, or of a proxy in front of it) into
// its folder, with extra arguments after its own.
CopyRun runCopier(const Copier& c, const QStringList& extra, HttpServer& server, const QString& start);

// Resident memory of the process and all its descendants, in kB.
qint64 treeRssKb(qint64 root);
