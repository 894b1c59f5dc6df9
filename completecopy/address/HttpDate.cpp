#include "completecopy/address/HttpDate.h"
#include <QList>
#include <QTimeZone>

namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

int monthOf(const QByteArray& name) {
    for (int m = 0; m < 12; ++m)
        if (name == kMonths[m])
            return m + 1;
    return 0;
}

QDateTime utc(int year, int month, int day, const QByteArray& clock) {
    const QList<QByteArray> hms = clock.split(':');
    if (hms.size() != 3)
        return QDateTime();
    const QDate date(year, month, day);
    const QTime time(hms[0].toInt(), hms[1].toInt(), hms[2].toInt());
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    // Built in UTC directly: no look at the local time zone, which costs a file read.
    return QDateTime(date, time, QTimeZone::utc());
}

} // namespace

QDateTime parseHttpDate(const QByteArray& text) {
    const QList<QByteArray> f = text.simplified().split(' ');
    // "Sun, 06 Nov 1994 08:49:37 GMT"
    if (f.size() == 6 && f[0].endsWith(',') && f[5] == "GMT")
        return utc(f[3].toInt(), monthOf(f[2]), f[1].toInt(), f[4]);
    // "Sunday, 06-Nov-94 08:49:37 GMT"
    if (f.size() == 4 && f[0].endsWith(',') && f[3] == "GMT") {
        const QList<QByteArray> d = f[1].split('-');
        if (d.size() != 3)
            return QDateTime();
        const int yy = d[2].toInt();
        return utc(yy < 70 ? 2000 + yy : 1900 + yy, monthOf(d[1]), d[0].toInt(), f[2]);
    }
    // "Sun Nov  6 08:49:37 1994"
    if (f.size() == 5)
        return utc(f[4].toInt(), monthOf(f[1]), f[2].toInt(), f[3]);
    return QDateTime();
}

QByteArray httpDate(const QDateTime& when) {
    const QDateTime t = when.toUTC();
    const QDate d = t.date();
    const QTime c = t.time();
    return QByteArray(kDays[d.dayOfWeek() - 1]) + ", " + QByteArray::number(d.day()).rightJustified(2, '0') + ' ' +
           kMonths[d.month() - 1] + ' ' + QByteArray::number(d.year()) + ' ' +
           QByteArray::number(c.hour()).rightJustified(2, '0') + ':' +
           QByteArray::number(c.minute()).rightJustified(2, '0') + ':' +
           QByteArray::number(c.second()).rightJustified(2, '0') + " GMT";
}
