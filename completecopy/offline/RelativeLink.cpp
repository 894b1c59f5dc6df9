#include "completecopy/offline/RelativeLink.h"
#include <QRegularExpression>
#include <QStringList>

namespace {

bool keptAsIs(uchar c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~' || c == '!' || c == '$' || c == '*' || c == '+' || c == ',' || c == ';' ||
           c == '=' || c == '@';
}

QString encodedStep(const QString& step) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char c : step.toUtf8()) {
        if (keptAsIs(uchar(c))) {
            out += c;
        } else {
            out += '%';
            out += hex[uchar(c) >> 4];
            out += hex[uchar(c) & 15];
        }
    }
    return QString::fromLatin1(out);
}

QStringList folderOf(const QString& file) {
    QStringList steps = file.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!steps.isEmpty())
        steps.removeLast();
    return steps;
}

bool isDotStep(const QString& step) {
    return step == u"." || step.compare(QLatin1String("%2e"), Qt::CaseInsensitive) == 0;
}

bool isDotDotStep(const QString& step) {
    const QString s = step.toLower();
    return s == u".." || s == u".%2e" || s == u"%2e." || s == u"%2e%2e";
}

} // namespace

QString relativeLink(const QString& from, const QString& to) {
    const QStringList fromFolder = folderOf(from);
    const QStringList toSteps = to.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    const QStringList toFolder = toSteps.mid(0, toSteps.size() - 1);
    qsizetype shared = 0;
    while (shared < fromFolder.size() && shared < toFolder.size() && fromFolder[shared] == toFolder[shared])
        ++shared;
    QStringList link;
    for (qsizetype i = shared; i < fromFolder.size(); ++i)
        link << QStringLiteral("..");
    for (qsizetype i = shared; i < toSteps.size(); ++i)
        link << encodedStep(toSteps[i]);
    return link.join(QLatin1Char('/'));
}

std::optional<QString> linkedFile(const QString& from, const QString& link) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    QString path = link.trimmed();
    path.remove(QLatin1Char('\t'));
    path.remove(QLatin1Char('\n'));
    path.remove(QLatin1Char('\r'));
    const qsizetype hash = path.indexOf(QLatin1Char('#'));
    if (hash >= 0)
        path.truncate(hash);
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1Char('\\')) ||
        path.contains(QLatin1Char('?')) || scheme.match(path).hasMatch())
        return std::nullopt;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList steps = folderOf(from);
    const QStringList written = path.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < written.size(); ++i) {
        const QString& step = written[i];
        const bool last = i == written.size() - 1;
        if (isDotStep(step) || isDotDotStep(step)) {
            if (isDotDotStep(step)) {
                if (steps.isEmpty())
                    return std::nullopt;
                steps.removeLast();
            }
            if (last)
                return std::nullopt;  // "a/." and "a/.." name a folder
            continue;
        }
        if (step.isEmpty()) {
            if (last)
                return std::nullopt;  // "a/" names a folder
            continue;
        }
        const QByteArray bytes = QByteArray::fromPercentEncoding(step.toUtf8());
        if (!bytes.isValidUtf8() || bytes.contains('/') || bytes.contains('\\') || bytes.contains('\0'))
            return std::nullopt;
        // (A byte order mark at the start of a name is part of the name.)
        steps << (bytes.startsWith("\xEF\xBB\xBF") ? QChar(0xFEFF) + QString::fromUtf8(bytes.mid(3))
                                                    : QString::fromUtf8(bytes));
    }
    if (steps.isEmpty())
        return std::nullopt;
    return steps.join(QLatin1Char('\\'));
}
