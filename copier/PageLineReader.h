#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>

// Reads a stored page line by line. A line ends at a CR, at a CR followed by an LF,
// or at a lone LF; the terminator is not part of the line. Bytes become characters
// in the source pane's single-byte mapping. The file is closed when the reader goes.
class PageLineReader {
public:
    enum class Open { Opened, Missing, Refused };

    // chunk: how many bytes a read from the file asks for (small ones put the
    // buffer's end at every place of a line in tests).
    explicit PageLineReader(qint64 chunk = 64 * 1024) : m_chunk(chunk > 0 ? chunk : 1) {}

    // Missing: the file, or a folder on its path, does not exist. Refused: any other
    // reason it cannot be read (a folder, no permission).
    Open open(const QString& hostPath);

    // The next line; false when there is none left (so on the first read of an empty
    // file) or the file cannot be read.
    bool readLine(QString& line);

    // True when every byte has been read.
    bool atEnd();

private:
    // Reads more of the file into the buffer; false when nothing more came.
    bool fill();

    qint64 m_chunk;
    QFile m_file;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_failed = false;
};
