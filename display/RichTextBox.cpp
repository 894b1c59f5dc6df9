#include "display/RichTextBox.h"
#include "display/ControlDropFilter.h"
#include "display/Cp1252.h"
#include "display/Twips.h"
#include "fs/ErrorCodes.h"
#include "fs/ReplaceFile.h"
#include "fs/RunError.h"
#include <QTextBlock>
#include <QTextDocument>
#include <vector>

namespace {

// Control characters other than TAB, CR and LF are shown as their Control Pictures
// (NUL as U+2400), so that a page holding them stays readable; DEL as U+2421.
constexpr char16_t kPictures = 0x2400;
constexpr char16_t kDelPicture = 0x2421;

bool shownAsPicture(char16_t c) {
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0x7F;
}

// A line longer than this is shown in pieces: the text layout of one multi-megabyte
// line (a page whose line ends were all dropped) takes seconds. The pieces are
// blocks marked as continuing the line before, so the text read back from an edited
// pane joins them again.
constexpr qsizetype kPieceLength = 2048;
constexpr int kContinuesLine = 1; // block user state

// Where to cut a long line: after the last blank or ">" shortly before the limit,
// never inside a surrogate pair.
qsizetype pieceEnd(const QChar* s, qsizetype from, qsizetype n) {
    const qsizetype limit = from + kPieceLength;
    if (limit >= n)
        return n;
    for (qsizetype i = limit; i > limit - 256; --i)
        if (s[i - 1] == QLatin1Char(' ') || s[i - 1] == QLatin1Char('>'))
            return i;
    return s[limit - 1].isHighSurrogate() ? limit - 1 : limit;
}

struct Display {
    QString text;
    std::vector<int> continuations; // numbers of the blocks that continue a line
};

// The pane's lines: breaks at CR LF, lone CR and lone LF. Written straight into a
// buffer of the largest size it can take (a piece is never shorter than
// kPieceLength - 256): appending a character at a time cost more than the document.
Display toDisplay(const QString& text) {
    Display d;
    const QChar* s = text.constData();
    const qsizetype n = text.size();
    d.text = QString(n + n / (kPieceLength - 256) + 1, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(d.text.data());
    qsizetype length = 0;
    int block = 0;
    qsizetype lineStart = 0; // in the text
    qsizetype cut = pieceEnd(s, 0, n);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c == u'\r' || c == u'\n') {
            out[length++] = u'\n';
            if (c == u'\r' && i + 1 < n && s[i + 1] == QLatin1Char('\n'))
                ++i;
            ++block;
            lineStart = i + 1;
            cut = pieceEnd(s, lineStart, n);
            continue;
        }
        if (i == cut) {
            out[length++] = u'\n';
            d.continuations.push_back(++block);
            cut = pieceEnd(s, i, n);
        }
        if (shownAsPicture(c))
            out[length++] = c == 0x7F ? kDelPicture : char16_t(kPictures + c);
        else
            out[length++] = c;
    }
    d.text.truncate(length);
    return d;
}

// Text of a pane that has been edited: its lines joined with CR LF, the control
// pictures turned back into the characters they stand for.
QString fromDocument(const QTextDocument* doc) {
    QString out;
    out.reserve(doc->characterCount() + doc->blockCount());
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b != doc->begin() && b.userState() != kContinuesLine)
            out += QLatin1String("\r\n");
        const QString line = b.text();
        for (const QChar ch : line) {
            const char16_t c = ch.unicode();
            if (c >= kPictures && c < kPictures + 0x20 && shownAsPicture(c - kPictures))
                out += QChar(char16_t(c - kPictures));
            else if (c == kDelPicture)
                out += QChar(0x7F);
            else
                out += ch;
        }
    }
    return out;
}

} // namespace

RichTextBox::RichTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.5);
    setFont(font);
    // The scroll area's viewport receives the drops; the splitter button dropped
    // there is taken before the text edit would treat it as text.
    auto* drops = new ControlDropFilter(this, [this](QWidget* source, QPointF at) {
        emit DragDrop(source, Twips::fromPixels(qRound(at.x()), logicalDpiX()),
                      Twips::fromPixels(qRound(at.y()), logicalDpiY()));
    });
    drops->watch(this, false);
    drops->watch(viewport(), false);
    // Any change not made by setText (typing, pasting, another caller's edit) marks
    // the document modified, and Text() then follows what the pane shows; setPlainText
    // clears the mark after its change, so it is set again. An undo back to the text
    // as set leaves the document unmodified with a redo available: Text() is then
    // the exact text again.
    const auto follow = [this] {
        if (!m_settingText && !document()->isModified() && !document()->isRedoAvailable())
            document()->setModified(true);
    };
    connect(this, &QPlainTextEdit::textChanged, this, follow);
    connect(document(), &QTextDocument::modificationChanged, this, follow);
    setText(QStringLiteral("RichTextBox1"));
}

QString RichTextBox::Text() const {
    if (!m_documentBehind && document()->isModified())
        return fromDocument(document());
    return m_text;
}

void RichTextBox::setText(const QString& text) {
    m_text = text;
    m_documentBehind = true;
    if (m_showsText || isVisible())
        makeDocument();
}

void RichTextBox::setShowsText(bool shows) {
    m_showsText = shows;
    if (shows && m_documentBehind)
        makeDocument();
}

void RichTextBox::showEvent(QShowEvent* event) {
    if (m_documentBehind)
        makeDocument();
    QPlainTextEdit::showEvent(event);
}

void RichTextBox::makeDocument() {
    m_settingText = true;
    const Display shown = toDisplay(m_text);
    // The whole page in one call, taken by the document in a single edit; the cursor,
    // the undo history and the scroll position end as the pane always had them (the
    // document's own setPlainText is a little quicker but leaves the cursor at the end,
    // and putting it back costs more than it saved).
    setPlainText(shown.text);
    if (!shown.continuations.empty()) {
        QTextBlock b = document()->begin();
        int number = 0;
        for (const int continuation : shown.continuations) {
            for (; number < continuation && b.isValid(); ++number)
                b = b.next();
            b.setUserState(kContinuesLine);
        }
    }
    document()->setModified(false);
    m_settingText = false;
    m_documentBehind = false;
}

void RichTextBox::Refresh() {
    // One repaint covers the frame and the text inside it; each repaint brings the
    // whole window up to date, so a second would cost as much again.
    repaint();
}

void RichTextBox::SaveFile(const QString& path, int fileType) {
    if (fileType != 1)
        ErrorCodes::raise(ErrorCodes::ArgomentoNonValido);
    replaceFile(path, Cp1252::fromText(Text()));
}
