// The crawl's line reader on any file, compared with a split of the whole file at
// once: lines end at CR LF, CR or LF, the last one may have no terminator, and no
// line is lost or made up where the reader's buffer ends. The first byte of the input
// sets the size of the reader's reads (1 to 256 bytes, or its own 64 KB when 0).
#include "copier/PageLineReader.h"
#include "display/Cp1252.h"
#include "fuzz/FuzzSupport.h"
#include <QFile>
#include <QTemporaryDir>

namespace {

QList<QByteArray> linesOf(const QByteArray& bytes) {
    QList<QByteArray> lines;
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        qsizetype j = i;
        while (j < n && bytes[j] != '\r' && bytes[j] != '\n')
            ++j;
        lines.append(bytes.mid(i, j - i));
        if (j < n && bytes[j] == '\r' && j + 1 < n && bytes[j + 1] == '\n')
            ++j;
        i = j + 1;
    }
    return lines;
}

const QString& scratchFile() {
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("pagina.htm"));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const QByteArray bytes = fuzzBytes(data + 1, size - 1);
    {
        QFile file(scratchFile());
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }

    const QList<QByteArray> expected = linesOf(bytes);
    PageLineReader reader(data[0] == 0 ? 64 * 1024 : data[0]);
    FUZZ_CHECK(reader.open(scratchFile()) == PageLineReader::Open::Opened);
    QString line;
    qsizetype count = 0;
    while (reader.readLine(line)) {
        FUZZ_CHECK(count < expected.size());
        FUZZ_CHECK(line == Cp1252::toText(expected[count]));
        ++count;
    }
    FUZZ_CHECK(count == expected.size());
    FUZZ_CHECK(reader.atEnd());
    FUZZ_CHECK(!reader.readLine(line));
    return 0;
}
