// Time to read a page of a real site's size for its references and convert it for
// reading offline, in UTF-8 and in Latin-1.
// Usage: offline_conversion_bench [items] [runs]     (default 120 items: about 40 KB)
#include "completecopy/offline/OfflineConversion.h"
#include "tests/support/TypicalPage.h"
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const int items = argc > 1 ? std::atoi(argv[1]) : 120;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 200;
    const QUrl address("http://h.example/docs/page.html");
    const QString local = QStringLiteral("docs\\page.html");
    // Half the addresses are held by the copy.
    const LocalFileOf held = [](const QString& key) -> std::optional<QString> {
        if (key.endsWith(QLatin1String(".png")) || key.endsWith(QLatin1String(".css")))
            return QString(key).remove(0, QStringLiteral("http://h.example/").size()).replace(u'/', u'\\');
        return std::nullopt;
    };
    for (const bool latin1 : {false, true}) {
        const QByteArray page = typicalPage(items, latin1);
        qsizetype references = 0;
        QElapsedTimer clock;
        clock.start();
        for (int r = 0; r < runs; ++r) {
            const ReadFile read = readPage(page, latin1 ? "iso-8859-1" : "", address, local, FileForm::Served, {});
            references = qsizetype(read.references.size());
            convert(page, read, local, held);
        }
        const double ms = double(clock.nsecsElapsed()) / 1e6 / runs;
        std::printf("%-8s page of %.1f KB, %lld references: %.3f ms a page, %.4f ms a KB (%d runs)\n",
                    latin1 ? "Latin-1" : "UTF-8", double(page.size()) / 1024, static_cast<long long>(references), ms,
                    ms / (double(page.size()) / 1024), runs);
    }
    return 0;
}
