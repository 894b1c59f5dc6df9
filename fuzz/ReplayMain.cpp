// Without libFuzzer a target is an ordinary program: it feeds every file named on its
// command line, or found in a folder named there, to the target's entry point once.
// A property that does not hold aborts it, so a replay of the checked-in corpus and
// crash reproducers is an ordinary test.
#include "fuzz/FuzzSupport.h"
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

int main(int argc, char** argv) {
    int inputs = 0;
    auto feed = [&inputs](const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            std::exit(2);
        }
        const QByteArray bytes = file.readAll();
        std::fprintf(stderr, "%s\n", qPrintable(path));
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        ++inputs;
    };
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (!QFileInfo(arg).isDir()) {
            feed(arg);
            continue;
        }
        QDirIterator it(arg, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        QStringList files;
        while (it.hasNext())
            files << it.next();
        files.sort();
        for (const QString& f : files)
            if (!QFileInfo(f).fileName().startsWith(QLatin1Char('.')))
                feed(f);
    }
    std::fprintf(stderr, "%d inputs replayed\n", inputs);
    return 0;
}
