#include "DisplayTestSupport.h"
#include "display/Cp1252.h"
#include "display/RichTextBox.h"
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

static QStringList shownLines(const RichTextBox& box) {
    QStringList lines;
    for (QTextBlock b = box.document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines;
}

TEST(RichTextBox, KeepsLineEndsAndNulWhileShowingReadableLinesUntilAnEdit) {
    const struct { QString text; QStringList lines; } cases[] = {
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\r\nb\n\r", {"a", "", "b", "", ""}},
        {QString::fromUtf16(u"a\rb\0c\nd", 7), {"a", QString::fromUtf16(u"b\u2400c"), "d"}},
    };
    RichTextBox box;
    for (const auto& c : cases) {
        box.setText(c.text);
        EXPECT_EQ(box.Text(), c.text);
        EXPECT_EQ(shownLines(box), c.lines);
    }
    // After an edit Text() follows the pane: its lines joined with CR LF, the NUL again a NUL.
    QTest::keyClicks(&box, "X");
    EXPECT_EQ(box.Text(), QString::fromUtf16(u"Xa\r\nb\0c\r\nd", 10));
}

// One line of megabytes laid out whole takes seconds: it is shown in pieces, read back whole.
TEST(RichTextBox, LongLinesShownInPiecesReadBackWhole) {
    const QString line = QString::fromUtf16(u"x😀").repeated(2500) + QString(9000, 'a');
    RichTextBox box;
    box.setText(line);
    EXPECT_EQ(box.Text(), line);
    for (const QString& piece : shownLines(box))
        EXPECT_TRUE(piece.size() <= 2048 && !piece.back().isHighSurrogate()) << piece.size();
    box.moveCursor(QTextCursor::End);
    QTest::keyClicks(&box, "!");
    EXPECT_EQ(box.Text(), line + "!");
}

TEST(RichTextBox, SaveWritesOneByteACharacterOverTheOldFileOrFailsWithItsNumber) {
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    QTemporaryDir dir;
    QFile file(dir.filePath("pagina.htm"));
    displaytest::writeFile(file.fileName(), QByteArray(5000, 'z'));
    const struct { QString text; QByteArray saved; } cases[] = {
        {Cp1252::toText(bytes), bytes}, {QString::fromUtf16(u"x\u4E2Dy\u20AC", 4), "x?y\x80"}, // the euro sign is 0x80
    };
    RichTextBox box;
    for (const auto& c : cases) {
        box.setText(c.text);
        EXPECT_EQ(box.Text(), c.text);
        box.SaveFile(displaytest::programForm(file.fileName()), 1);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), c.saved);
        file.close();
    }
    EXPECT_EQ(displaytest::failure([&] { box.SaveFile(displaytest::programForm(dir.filePath("manca/a.htm")), 1); }), 76);
    EXPECT_EQ(displaytest::failure([&] { box.SaveFile(dir.path(), 1); }), 75);
}

// Refresh paints the new text at once, without waiting for the event loop, and only
// once: a copy refreshes the pane for every page it reads.
TEST(RichTextBox, RefreshPaintsTheTextAtOnceAndOnce) {
    RichTextBox box;
    box.resize(300, 200);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QCoreApplication::processEvents();
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    box.viewport()->installEventFilter(&counter);
    box.setText("<html>\r\n<body>pagina</body>\r\n</html>\r\n");
    box.Refresh();
    EXPECT_EQ(counter.paints, 1);
    box.viewport()->removeEventFilter(&counter);
}
