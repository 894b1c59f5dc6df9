#include "completecopy/CopyProgress.h"
#include <QLocale>

namespace {

const QLocale& italian() {
    static const QLocale locale(QLocale::Italian, QLocale::Italy);
    return locale;
}

QString size(qint64 bytes) {
    return italian().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString failures(int n) {
    return italian().toString(n) + (n == 1 ? QStringLiteral(" errore") : QStringLiteral(" errori"));
}

} // namespace

QString progressText(const CopyProgress& p) {
    return QStringLiteral("copia: %1 file, %2 in attesa, %3, %4, livello %5")
        .arg(italian().toString(p.files), italian().toString(p.waiting), size(p.bytes), failures(p.failures))
        .arg(p.level);
}

QString progressLine(const CopyProgress& p, double seconds) {
    const qint64 rate = seconds > 0 ? qint64(double(p.bytes) / seconds) : 0;
    return QStringLiteral("copia: %1 file, %2 in attesa, %3, %4/s, %5")
        .arg(italian().toString(p.files), italian().toString(p.waiting), size(p.bytes), size(rate),
             failures(p.failures));
}
