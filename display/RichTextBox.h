#pragma once
#include <QPlainTextEdit>
#include <QString>

// The source pane. Text() gives back exactly the string given to setText() (CR, LF,
// lone CR and NUL included) until the user edits the pane; the pane shows it as
// readable lines.
//
// The text is what the pane holds; the document that paints it is made from the text,
// in one piece, when a new text arrives. A pane told that nobody sees it (a copy run
// without its window) keeps only the text: its document is made again when the pane
// is shown or told that it is seen once more, so a hidden copy spends nothing on
// documents nobody looks at. Text(), SaveFile and the rest behave the same either way.
class RichTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);

    QString Text() const;
    void setText(const QString& text);
    void Refresh();

    // Whether the document is kept up to date while the pane is not shown: on by
    // default, so that document() always holds the text. Off (nobody sees the pane),
    // document() keeps the last text made into a document until the pane is shown or
    // this is turned on again; a shown pane makes every text at once either way.
    void setShowsText(bool shows);
    bool showsText() const { return m_showsText; }

    // Writes the pane's text as plain text (fileType 1) to the file at path (program
    // form), replacing it, one byte a character in the Cp1252 mapping ('?' for a
    // character outside it). A failure raises RunError.
    void SaveFile(const QString& path, int fileType = 1);

protected:
    void showEvent(QShowEvent* event) override;

signals:
    // The splitter button was dropped on the pane; x and y in twips relative to the pane.
    void DragDrop(QWidget* source, double x, double y);

private:
    // Makes the document from the text.
    void makeDocument();

    QString m_text;
    bool m_settingText = false;
    bool m_showsText = true;
    bool m_documentBehind = false; // the document does not hold m_text
};
