#include "completecopy/references/ByteText.h"

#include <libxml/HTMLparser.h>
#include <libxml/encoding.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <QHash>
#include <cstring>
#include <mutex>

namespace {

void quiet(void*, const char*, ...) {}

// libxml2 reports a byte it cannot convert on its generic error channel: while
// converting here that is no error, only an answer.
struct QuietConversion {
    xmlGenericErrorFunc function = xmlGenericError;
    void* context = xmlGenericErrorContext;
    QuietConversion() { xmlSetGenericErrorFunc(nullptr, quiet); }
    ~QuietConversion() { xmlSetGenericErrorFunc(context, function); }
};

// Converts bytes with a handler of libxml2; false when they do not all convert.
bool convert(xmlCharEncodingHandler* handler, const char* data, qsizetype size, QString& out) {
    const QuietConversion quietly;
    xmlBufferPtr in = xmlBufferCreateSize(size_t(size) + 1);
    xmlBufferPtr converted = xmlBufferCreateSize(size_t(size) * 4 + 16);
    bool whole = false;
    if (in && converted && xmlBufferAdd(in, reinterpret_cast<const xmlChar*>(data), int(size)) == 0) {
        int left = xmlBufferLength(in);
        while (left > 0) {
            if (xmlCharEncInFunc(handler, converted, in) < 0)
                break;
            const int now = xmlBufferLength(in);
            if (now == left)
                break;  // an incomplete sequence at the end
            left = now;
        }
        whole = left == 0;
        if (whole)
            out = utf8Text(reinterpret_cast<const char*>(xmlBufferContent(converted)), xmlBufferLength(converted));
    }
    if (in)
        xmlBufferFree(in);
    if (converted)
        xmlBufferFree(converted);
    return whole;
}

// Whether the set writes the ASCII characters HTML and CSS are made of as themselves.
bool writesAsciiAsAscii(xmlCharEncodingHandler* handler) {
    QByteArray probe = "\t\n\f\r";
    for (char c = 0x20; c < 0x7F; ++c)
        probe += c;
    QString decoded;
    return convert(handler, probe.constData(), probe.size(), decoded) && decoded == QLatin1String(probe);
}

bool isXmlChar(quint32 c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isNameChar(char c) {
    return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == ':' || c == '.';
}

int digitValue(char c, bool hex) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void append(MappedText& t, const QString& chars, qsizetype at) {
    t.text += chars;
    for (qsizetype k = 0; k < chars.size(); ++k)
        t.from.push_back(at);
}

} // namespace

QString utf8Text(const char* data, qsizetype size) {
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0)
        return QChar(0xFEFF) + QString::fromUtf8(data + 3, size - 3);
    return QString::fromUtf8(data, size);
}

ByteDecoder ByteDecoder::named(const QByteArray& charset) {
    ByteDecoder d;
    xmlCharEncodingHandler* handler = xmlFindCharEncodingHandler(charset.trimmed().constData());
    if (!handler) {
        d.m_valid = false;
        d.m_name = charset;
        return d;
    }
    const QByteArray name = QByteArray(handler->name).toUpper();
    if (name == "UTF-8" || name == "UTF8") {
        xmlCharEncCloseFunc(handler);
        return d;
    }
    d.m_handler = handler;
    d.m_name = handler->name;
    // What a set is like is found once a program: every page of a site is read in the
    // same set, and finding it out takes 130 conversions.
    struct Kind {
        bool valid = false;
        bool singleByte = false;
        char16_t high[128] = {};
    };
    static std::mutex guard;
    static QHash<QByteArray, Kind> known;
    const std::lock_guard<std::mutex> lock(guard);
    auto kind = known.find(name);
    if (kind == known.end()) {
        Kind k;
        k.valid = !name.contains("2022") && !name.contains("UTF-7") && !name.contains("UTF7") && name != "HZ" &&
                  writesAsciiAsAscii(handler);
        // A set where two high bytes make two characters makes one of every byte: its
        // characters are kept in a table (a byte it does not define stays 0).
        QString probe;
        if (k.valid && convert(handler, "\xC3\xA9", 2, probe) && probe.size() == 2) {
            k.singleByte = true;
            for (int b = 0x80; b < 0x100; ++b) {
                const char byte = char(b);
                QString one;
                if (convert(handler, &byte, 1, one) && one.size() == 1)
                    k.high[b - 0x80] = one[0].unicode();
            }
        }
        kind = known.insert(name, k);
    }
    d.m_valid = kind->valid;
    d.m_singleByte = kind->singleByte;
    std::memcpy(d.m_high, kind->high, sizeof d.m_high);
    return d;
}

ByteDecoder& ByteDecoder::operator=(ByteDecoder&& other) noexcept {
    if (this != &other) {
        if (m_handler)
            xmlCharEncCloseFunc(m_handler);
        m_handler = other.m_handler;
        m_name = std::move(other.m_name);
        m_valid = other.m_valid;
        m_singleByte = other.m_singleByte;
        std::memcpy(m_high, other.m_high, sizeof m_high);
        other.m_handler = nullptr;
    }
    return *this;
}

ByteDecoder::~ByteDecoder() {
    if (m_handler)
        xmlCharEncCloseFunc(m_handler);
}

bool ByteDecoder::decodeRun(const char* data, qsizetype size, QString& out) const {
    if (!m_valid)
        return false;
    if (!m_handler) {
        const QByteArray run = QByteArray::fromRawData(data, size);
        if (!run.isValidUtf8())
            return false;
        out = utf8Text(run);
        return true;
    }
    if (m_singleByte) {
        out.resize(size);
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t c = m_high[uchar(data[i]) - 0x80];
            if (!c)
                return false;
            out[i] = QChar(c);
        }
        return true;
    }
    return convert(m_handler, data, size, out);
}

std::optional<MappedText> decodeMapped(const QByteArray& bytes, qsizetype at, qsizetype length,
                                       const ByteDecoder& decoder, bool characterReferences) {
    MappedText t;
    const qsizetype end = at + length;
    if (at < 0 || length < 0 || end > bytes.size())
        return std::nullopt;
    // Most values are ASCII without references: one character a byte.
    const char* const first = bytes.constData() + at;
    bool plain = true;
    for (qsizetype i = 0; i < length && plain; ++i)
        plain = uchar(first[i]) < 0x80 && (first[i] != '&' || !characterReferences);
    if (plain) {
        t.text = QString::fromLatin1(first, length);
        t.start = at;
        return t;
    }
    t.text.reserve(length);
    t.from.reserve(size_t(length) + 1);
    const char* b = bytes.constData();
    qsizetype i = at;
    QString run;
    while (i < end) {
        const char c = b[i];
        if (uchar(c) >= 0x80) {
            qsizetype j = i;
            while (j < end && uchar(b[j]) >= 0x80)
                ++j;
            if (!decoder.decodeRun(b + i, j - i, run))
                return std::nullopt;
            if (run.size() == j - i) {
                t.text += run;
                for (qsizetype k = i; k < j; ++k)
                    t.from.push_back(k);
            } else {
                append(t, run, i);
            }
            i = j;
            continue;
        }
        if (c != '&' || !characterReferences) {
            t.text += QChar(char16_t(uchar(c)));
            t.from.push_back(i);
            ++i;
            continue;
        }
        if (i + 1 < end && b[i + 1] == '#') {
            // As libxml2 reads it: digits up to the first other character, an
            // optional ";", and no character at all for 0 or a value out of range.
            qsizetype k = i + 2;
            const bool hex = k < end && (b[k] == 'x' || b[k] == 'X');
            if (hex)
                ++k;
            quint32 value = 0;
            while (k < end && b[k] != ';') {
                const int d = digitValue(b[k], hex);
                if (d < 0)
                    break;
                if (value < 0x110000)
                    value = value * (hex ? 16 : 10) + quint32(d);
                ++k;
            }
            if (k < end && b[k] == ';')
                ++k;
            if (!isXmlChar(value))
                return std::nullopt;
            const char32_t code = value;
            append(t, QString::fromUcs4(&code, 1), i);
            i = k;
            continue;
        }
        qsizetype k = i + 1;
        if (k < end && (isAsciiLetter(b[k]) || b[k] == '_' || b[k] == ':')) {
            while (k < end && isNameChar(b[k]))
                ++k;
            if (k < end && b[k] == ';') {
                const QByteArray name(b + i + 1, k - i - 1);
                if (const htmlEntityDesc* entity = htmlEntityLookup(reinterpret_cast<const xmlChar*>(name.constData()))) {
                    const char32_t code = entity->value;
                    append(t, QString::fromUcs4(&code, 1), i);
                    i = k + 1;
                    continue;
                }
            }
        }
        // Not a reference libxml2 knows: the "&" stays, and what follows is read as text.
        t.text += QLatin1Char('&');
        t.from.push_back(i);
        ++i;
    }
    t.from.push_back(end);
    return t;
}
