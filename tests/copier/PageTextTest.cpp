// The quick paths of the line reader and of upperCased: a line end at each offset of
// the bytes looked at together, among bytes that differ from CR and LF only in their
// top bit; every character of the basic plane.
#include "copier/PageLineReader.h"
#include "copier/UpperCased.h"
#include "display/Cp1252.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(PageLineReader, LineEndsAtEveryOffsetAmongLookalikeBytes) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString path = tmp.filePath("p.htm");
    for (const QByteArray end : {QByteArray("\r"), QByteArray("\n"), QByteArray("\r\n")}) {
        for (int length = 0; length < 20; ++length) {
            QByteArray first(length, 'x');
            for (int i = 1; i < length; i += 3)
                first[i] = i % 2 ? '\x8D' : '\x8A';
            const QByteArray bytes = first + end + "y" + end + first;
            for (const qint64 chunk : {1, 5, 64 * 1024}) {
                QFile f(path);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
                f.close();
                PageLineReader reader(chunk);
                ASSERT_EQ(reader.open(path), PageLineReader::Open::Opened);
                QStringList got;
                QString line;
                while (reader.readLine(line))
                    got << line;
                const QStringList lines{Cp1252::toText(first), "y", Cp1252::toText(first)};
                EXPECT_EQ(got, length ? lines : QStringList({"", "y"})) << length << " " << chunk << " " << end.size();
            }
        }
    }
}

TEST(UpperCased, EveryCharacterAsTheCharacterTablesHaveIt) {
    QString all(0x10000, Qt::Uninitialized);
    for (int c = 0; c < 0x10000; ++c)
        all[c] = QChar(char16_t(c));
    const QString upper = upperCased(all);
    ASSERT_EQ(upper.size(), all.size());
    int wrong = 0, first = -1;
    for (int c = 0; c < 0x10000; ++c)
        if (upper[c] != QChar(char16_t(c)).toUpper() && wrong++ == 0)
            first = c;
    EXPECT_EQ(wrong, 0) << "first at U+" << std::hex << first;
}

} // namespace
