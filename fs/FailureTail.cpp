#include "fs/FailureTail.h"

QString signedNumber(int number) {
    return (number >= 0 ? QStringLiteral(" ") : QString()) + QString::number(number);
}

QString failureTail(const QString& label, int number, const QString& description) {
    return QStringLiteral("\r\r") + label + signedNumber(number) + QStringLiteral(" - ") + description;
}
