#pragma once
#include "fs/ErrorCodes.h"
#include "fs/RunError.h"

#include <QFile>
#include <utility>

// Number and description of the RunError a call raises; {0, ""} when it runs through.
using Outcome = std::pair<int, QString>;
template <typename Call>
Outcome outcomeOf(Call&& call) {
    try {
        call();
    } catch (const RunError& e) {
        return {e.Number, e.Description};
    }
    return {};
}
inline Outcome failed(int number) {
    return {number, ErrorCodes::descrizione(number)};
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<not readable>");
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray everyByte(int repeat) {  // every byte value, repeat times over
    QByteArray bytes;
    for (int i = 0; i < 256 * repeat; ++i)
        bytes += char(i);
    return bytes;
}

// The program writes paths with "\" between folders.
inline QString programPath(QString nativePath) {
    return nativePath.replace(QLatin1Char('/'), QLatin1Char('\\'));
}
