#include "copier/PageLineReader.h"
#include "display/Cp1252.h"
#include <QFileInfo>
#include <cstring>

PageLineReader::Open PageLineReader::open(const QString& hostPath) {
    const QFileInfo info(hostPath);
    if (!info.exists())
        return Open::Missing;
    if (info.isDir())
        return Open::Refused;
    m_file.setFileName(hostPath);
    if (!m_file.open(QIODevice::ReadOnly))
        return info.exists() ? Open::Refused : Open::Missing;
    return Open::Opened;
}

bool PageLineReader::fill() {
    if (m_failed || !m_file.isOpen())
        return false;
    // Drop what has been read before growing the buffer.
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    const qsizetype had = m_buffer.size();
    m_buffer.resize(had + m_chunk);
    const qint64 got = m_file.read(m_buffer.data() + had, m_chunk);
    if (got < 0) {
        m_failed = true;
        m_buffer.resize(had);
        return false;
    }
    m_buffer.resize(had + got);
    return got > 0;
}

bool PageLineReader::atEnd() {
    return m_pos >= m_buffer.size() && !fill();
}

namespace {

// The first CR or LF at or after from, or size when there is none. Eight bytes are
// looked at together while none of them is either; a page of many lines goes through
// here for every line.
qsizetype lineEnd(const char* data, qsizetype from, qsizetype size) {
    constexpr quint64 kOnes = 0x0101010101010101ull;
    constexpr quint64 kHighBits = 0x8080808080808080ull;
    const auto holds = [](quint64 word, char byte) {
        const quint64 x = word ^ (kOnes * static_cast<unsigned char>(byte));
        return ((x - kOnes) & ~x & kHighBits) != 0;
    };
    qsizetype i = from;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, data + i, 8);
        if (holds(word, '\r') || holds(word, '\n'))
            break;
    }
    while (i < size && data[i] != '\r' && data[i] != '\n')
        ++i;
    return i;
}

} // namespace

bool PageLineReader::readLine(QString& line) {
    if (atEnd())
        return false;
    qsizetype scan = m_pos;
    for (;;) {
        const qsizetype size = m_buffer.size();
        qsizetype end = lineEnd(m_buffer.constData(), scan, size);
        if (end < size) {
            const bool cr = m_buffer.at(end) == '\r';
            // A CR at the end of the buffer: the next byte decides whether an LF belongs to it.
            if (cr && end + 1 == size) {
                const qsizetype offset = end - m_pos;
                fill();
                end = m_pos + offset;
            }
            line = Cp1252::toText(QByteArrayView(m_buffer).sliced(m_pos, end - m_pos));
            qsizetype next = end + 1;
            if (cr && next < m_buffer.size() && m_buffer.at(next) == '\n')
                ++next;
            m_pos = next;
            return true;
        }
        // No terminator yet: the rest of the file is read, or the line is the last one.
        const qsizetype offset = end - m_pos;
        if (!fill()) {
            if (m_failed)
                return false;
            line = Cp1252::toText(QByteArrayView(m_buffer).sliced(m_pos));
            m_pos = m_buffer.size();
            return true;
        }
        scan = m_pos + offset;
    }
}
