#pragma once
#include <QFile>
#include <QString>

// The report of a complete copy: a UTF-8 text file in the destination folder, one
// line a file, tab-separated: level, what became of it (nuovo, cambiato, invariato,
// sparito, errore), address, the local file or the failure, the page that referred
// to it; one line for each address left out and why (escluso); a closing line with
// the counts. Lines are written as the copy goes, so a copy cut short keeps its report up
// to that point.
class CopyReport {
public:
    static inline const QString kFileName = QStringLiteral("mirasito-copia.txt");

    // Starts the report at path (host form), replacing an older one; false when the
    // file cannot be written.
    bool open(const QString& path, const QString& startAddress, const QString& destination, const QString& level);
    // Why it could not: the file layer's failure number.
    int errorNumber() const;

    enum class State { New, Changed, Unchanged, Gone, Failed };
    // level -1: none (a file gone from the site).
    void file(int level, State state, const QString& address, const QString& outcome, const QString& referrer);
    void leftOut(int level, const QString& address, const QString& reason, const QString& referrer);
    void note(const QString& text);  // a line of its own, after "#"
    // The last line: "# word <TAB> summary" ("fine", or "interrotta" for a copy stopped).
    void close(const QString& word, const QString& summary);

private:
    void line(const QString& text);

    QFile m_file;
};
