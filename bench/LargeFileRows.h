#pragma once
// One large file: a page linking a file of 400 MB that the server makes as it sends it
// (HttpServer::setGeneratedPage), copied by the program's complete copy and by wget.
// Each copy's time and peak memory (the process and its children, sampled while it
// runs), and whether the file arrived whole: its size and a hash read from the disk a
// part at a time, against the hash of the bytes served.
#include "bench/CopierRun.h"

#include <QString>

class HttpServer;

struct LargeFile {
    qint64 size = 0;
    struct Copy {
        CopyRun run;
        qint64 sizeOnDisk = -1;  // -1: no file
        bool whole = false;      // the size and the hash of the bytes served
    } program, wget;
};

// Serves the page and the file; returns the page's address.
QString serveLargeFile(HttpServer& server, qint64 size = 400LL * 1024 * 1024);

LargeFile largeFileRows(HttpServer& server, const QString& work, qint64 size = 400LL * 1024 * 1024);
