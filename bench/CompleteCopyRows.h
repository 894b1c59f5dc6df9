#pragma once
#include <QString>

class HttpServer;

// The complete copy against wget and wget2 on a generated site of today's kind
// (bench/ModernSite): each copies it once (-r -np -p -l N); the program hidden, from
// the command line. Prints seconds, requests, files, what wget has that the copy
// lacks, and the share of internal links that lead to a file of each copy. Then
// each copies it again into the same folder (the program updating its copy, wget and
// wget2 with -N): seconds, bodies and bytes transferred, unchanged; and once more
// after a page changed and a new one appeared. True when every run ended well and
// the goals were met.
bool completeCopyRows(HttpServer& server, const QString& work);
