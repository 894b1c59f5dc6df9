// Time to turn a 20 MB page into source text, for every setting of the CR/LF
// switches, with the markers looked for (the costlier case: one more search).
// Usage: source_text_bench [megabytes] [runs]
#include "reader/SorgenteDaByte.h"
#include <QByteArray>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 20;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;

    // A page of HTML-like lines ending in CR LF, with bytes of the upper half in the
    // text and no marker, so that every byte is converted and searched.
    const qsizetype size = qsizetype(megabytes) * 1024 * 1024;
    QByteArray page;
    page.reserve(size);
    QRandomGenerator rng(42);
    const QByteArray line = "<p><a href=\"pagina.htm\">Titolo della pagina</a> <img src=\"foto.jpg\"></p>";
    while (page.size() < size) {
        page += line;
        for (int i = 0; i < 8; ++i)
            page += static_cast<char>(rng.bounded(0x80, 0x100));
        page += "\r\n";
    }
    page.truncate(size);

    std::printf("page: %lld bytes, %d runs each\n", static_cast<long long>(page.size()), runs);
    for (int sw = 0; sw < 4; ++sw) {
        const bool dropCR = sw & 1, dropLF = sw & 2;
        std::vector<double> ms;
        qsizetype chars = 0;
        bool found = false;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer t;
            t.start();
            const SourceText s = SORGENTE_DA_BYTE(page, dropCR, dropLF, true);
            ms.push_back(t.nsecsElapsed() / 1e6);
            chars = s.text.size();
            found = s.found;
        }
        std::sort(ms.begin(), ms.end());
        std::printf("drop CR %d, drop LF %d: %lld characters, %s; min %.1f ms, median %.1f ms, max %.1f ms\n",
                    dropCR, dropLF, static_cast<long long>(chars), found ? "found" : "NOT FOUND", ms.front(),
                    ms[ms.size() / 2], ms.back());
    }
    return 0;
}
