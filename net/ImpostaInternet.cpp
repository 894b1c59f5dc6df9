#include "net/ImpostaInternet.h"

#include "fs/ErrorCodes.h"
#include "fs/RunError.h"
#include "fs/TrimBlanks.h"
#include "net/Inet.h"

#include <optional>

namespace {

// A decimal number (optional sign, digits, optional fraction after a point) rounded
// to a whole number, a half to the even neighbour; nothing when the text is no such
// number or the result does not fit in 16 signed bits.
std::optional<qint16> portFromText(const QString& text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    QString whole, fraction;
    while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128)
        whole += text.at(i++);
    if (i < text.size() && text.at(i) == u'.') {
        ++i;
        while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128)
            fraction += text.at(i++);
    }
    if (i != text.size() || (whole.isEmpty() && fraction.isEmpty()))
        return std::nullopt;

    // Leading zeros say nothing; more than six digits left is far out of range.
    qsizetype firstSignificant = 0;
    while (firstSignificant < whole.size() && whole.at(firstSignificant) == u'0')
        ++firstSignificant;
    whole = whole.mid(firstSignificant);
    if (whole.size() > 6)
        return std::nullopt;
    qint64 magnitude = whole.isEmpty() ? 0 : whole.toLongLong();

    // Compare the fraction with one half: above rounds up, a half exactly goes to
    // the even neighbour, below rounds down.
    if (!fraction.isEmpty()) {
        const QChar first = fraction.at(0);
        bool restIsZero = true;
        for (qsizetype k = 1; k < fraction.size(); ++k)
            restIsZero = restIsZero && fraction.at(k) == u'0';
        if (first > u'5' || (first == u'5' && !restIsZero))
            ++magnitude;
        else if (first == u'5' && magnitude % 2 != 0)
            ++magnitude;
    }

    const qint64 value = negative ? -magnitude : magnitude;
    if (value < -32768 || value > 32767)
        return std::nullopt;
    return qint16(value);
}

} // namespace

void IMPOSTA_INTERNET(Inet& inet, const InternetSettings& boxes) {
    inet.UserName = trimBlanks(boxes.login);
    inet.Password = trimBlanks(boxes.password);
    inet.Proxy = trimBlanks(boxes.proxy);
    const QString port = trimBlanks(boxes.port);
    if (port.isEmpty())
        return;
    const std::optional<qint16> value = portFromText(port);
    if (!value)
        ErrorCodes::raise(ErrorCodes::PortaNonValida);
    inet.RemotePort = *value;
}
