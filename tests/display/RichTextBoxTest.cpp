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

// A pane told that nobody sees it keeps the text and makes no document, not even when
// told so twice; shown, or told again that it is seen, it shows the lines (and pieces)
// of a pane that always was. A shown pane makes every text at once whatever it was told.
TEST(RichTextBox, UnseenPaneMakesItsDocumentOnlyWhenShownOrSeenAgain) {
    const QString texts[] = {
        QString::fromUtf16(u"a\r\nb\rc\0d\u007F\n\n", 11),
        QString(3000, 'x') + "\r\n" + QString(1792, 'y') + " " + QString(5000, 'z'),
    };
    for (const bool byShowing : {false, true}) {
        for (const QString& text : texts) {
            RichTextBox seen, unseen;
            seen.setText(text);
            unseen.setShowsText(false);
            unseen.setText(text);
            unseen.setShowsText(false);
            EXPECT_EQ(unseen.Text(), text);
            EXPECT_EQ(shownLines(unseen), QStringList{"RichTextBox1"});
            byShowing ? unseen.show() : unseen.setShowsText(true);
            EXPECT_EQ(shownLines(unseen), shownLines(seen)) << byShowing;
            for (RichTextBox* box : {&seen, &unseen}) {
                box->moveCursor(QTextCursor::End);
                QTest::keyClicks(box, "!");
            }
            EXPECT_EQ(unseen.Text(), seen.Text()) << byShowing;
        }
    }
    RichTextBox box;
    box.setShowsText(false);
    box.show();
    box.setText("uno\r\ndue");
    EXPECT_EQ(shownLines(box), QStringList({"uno", "due"}));
    box.hide();
    box.setText("tre");
    EXPECT_EQ(shownLines(box), QStringList({"uno", "due"}));
}

// A pane nobody ever saw saves the bytes of the text given to it, over an edit made
// before it was told that nobody sees it.
TEST(RichTextBox, UnseenPaneSavesTheTextItWasGiven) {
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    bytes += "\r\n\n\r" + QByteArray(5000, 'z');
    QTemporaryDir dir;
    RichTextBox box;
    box.setText("prima");
    QTest::keyClicks(&box, "X");
    ASSERT_EQ(box.Text(), "Xprima");
    box.setShowsText(false);
    box.setText(Cp1252::toText(bytes));
    box.SaveFile(displaytest::programForm(dir.filePath("pagina.htm")), 1);
    QFile file(dir.filePath("pagina.htm"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
    EXPECT_EQ(shownLines(box), QStringList{"Xprima"});
}

// Pieces as short as they come (a blank just inside the last 256 characters of each):
// every character of the line is shown, none lost at its end.
TEST(RichTextBox, ShortestPiecesLoseNothing) {
    const QString line = (QString(1792, 'a') + ' ').repeated(100);
    RichTextBox box;
    box.setText(line);
    const QStringList pieces = shownLines(box);
    EXPECT_EQ(pieces.size(), 100);
    EXPECT_EQ(pieces.join(QString()), line);
}
