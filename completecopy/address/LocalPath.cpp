#include "completecopy/address/LocalPath.h"
#include <QCryptographicHash>

namespace {

// The longest name written (in UTF-8 bytes): file systems take 255.
constexpr qsizetype kLongestName = 200;

bool refused(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x7F || u == u'<' || u == u'>' || u == u':' || u == u'"' || u == u'/' || u == u'\\' ||
           u == u'|' || u == u'?' || u == u'*';
}

bool isHex(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

QString escaped(const QString& characters) {
    QString out;
    for (const char c : characters.toUtf8())
        out += QStringLiteral("%%1").arg(uchar(c), 2, 16, QLatin1Char('0')).toUpper();
    return out;
}

bool isDeviceName(const QString& name) {
    // Every device name has three letters before its number, "$" or dot.
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    const qsizetype length = dot < 0 ? name.size() : dot;
    if (length < 3 || length > 7)
        return false;
    const QString stem = name.left(length).toUpper();
    static const QStringList devices{"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    if (devices.contains(stem))
        return true;
    return stem.size() == 4 && (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))) &&
           stem[3] >= u'0' && stem[3] <= u'9';
}

// Characters a disk refuses written as %XX. With percentToo, a "%" that reads as an
// escape is escaped itself, so that a decoded name never meets an escaped one.
QString withoutRefused(const QString& name, bool percentToo) {
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        const bool percent = percentToo && c == u'%' && i + 2 < name.size() && isHex(name[i + 1]) && isHex(name[i + 2]);
        if (refused(c) || percent)
            out += escaped(QString(c));
        else
            out += c;
    }
    return out;
}

// A name that means something else to a disk, changed at its first or last
// character; a name too long, shortened, with a hash of the whole to keep it apart
// from its neighbours (a short extension stays at its end).
QString fitForDisk(QString name) {
    if (name == u"." || name == u"..")
        return escaped(name);
    if (name.endsWith(u'.') || name.endsWith(u' '))
        name = name.chopped(1) + escaped(name.right(1));
    if (isDeviceName(name))
        name = escaped(name.left(1)) + name.mid(1);
    if (name.toUtf8().size() > kLongestName) {
        const QString hash =
            QString::fromLatin1(QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
        const qsizetype dot = name.lastIndexOf(u'.');
        const QString extension = dot > 0 && name.size() - dot <= 10 ? name.mid(dot) : QString();
        QString head = name.left(kLongestName);
        while (head.toUtf8().size() > kLongestName - 20 - extension.toUtf8().size())
            head.chop(1);
        if (!head.isEmpty() && head.back().isHighSurrogate())
            head.chop(1);
        name = head + u'~' + hash + extension;
    }
    return name;
}

// A path step with its percent escapes decoded: the name a browser looks for when it
// follows a relative link offline. Bytes that are not UTF-8 keep their escapes (and
// then no decoded name can meet them: a decoded "%" before two hex digits is escaped).
QString diskStep(const QString& step) {
    const QByteArray bytes = QByteArray::fromPercentEncoding(step.toLatin1());
    return bytes.isValidUtf8() ? withoutRefused(QString::fromUtf8(bytes), true) : withoutRefused(step, false);
}

} // namespace

QString localPathFor(const QUrl& address) {
    const QString path = address.path(QUrl::FullyEncoded);
    QStringList steps;
    for (const QString& step : path.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        steps << diskStep(step);
    QString name = path.isEmpty() || path.endsWith(QLatin1Char('/')) ? QStringLiteral("index.html") : steps.takeLast();
    // The query keeps its escapes: "a%26b" and "a&b" are different queries.
    if (address.hasQuery())
        name += u'@' + withoutRefused(address.query(QUrl::FullyEncoded), false);
    for (QString& step : steps)
        step = fitForDisk(step);
    name = fitForDisk(name);
    if (steps.isEmpty() && reservedNames().contains(name, Qt::CaseInsensitive))
        name = escaped(name.left(1)) + name.mid(1);
    steps << name;
    return steps.join(QLatin1Char('\\'));
}
