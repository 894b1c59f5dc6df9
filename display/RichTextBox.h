#pragma once
#include <QPlainTextEdit>
#include <QString>

// The source pane. Text() gives back exactly the string given to setText() (CR, LF,
// lone CR and NUL included) until the user edits the pane; the pane shows it as
// readable lines.
class RichTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);

    QString Text() const;
    void setText(const QString& text);
    void Refresh();

    // Writes the pane's text as plain text (fileType 1) to the file at path (program
    // form), replacing it, one byte a character in the Cp1252 mapping ('?' for a
    // character outside it). A failure raises RunError.
    void SaveFile(const QString& path, int fileType = 1);

signals:
    // The splitter button was dropped on the pane; x and y in twips relative to the pane.
    void DragDrop(QWidget* source, double x, double y);

private:
    QString m_text;
    bool m_settingText = false;
};
