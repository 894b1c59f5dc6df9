#pragma once
#include <QString>

class HttpServer;

// The complete copy against wget and wget2 on a generated site of today's kind
// (bench/ModernSite): each copies it once (-r -np -p -l N); the program hidden, from
// the command line, keeping the files as served (--come-servito) as the others do.
// Prints seconds, requests, files, what wget has that the copy lacks, and the share of
// internal links that lead to a file of each copy. Then each copies it again into the
// same folder (the program updating its copy, wget and wget2 with -N): seconds, bodies
// and bytes transferred, unchanged; and once more after a page changed and a new one
// appeared. Then the program's default copy and wget -k -E's, opened page by page from
// the disk in the browser engine (bench/ReadingOfflineRows); the site at 20 ms a round
// trip (bench/LatencyRows); a file of 400 MB (bench/LargeFileRows). Prints one table and
// its goals; true when every run of the program ended well and the goals were met.
// Needs a QApplication: the pages are read in the browser engine.
bool completeCopyRows(HttpServer& server, const QString& work);
