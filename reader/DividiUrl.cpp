#include "reader/DividiUrl.h"
#include "reader/SharedState.h"

namespace {
bool isSeparator(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); }
} // namespace

bool DIVIDI_URL(SharedState& s) {
    qsizetype i = s.WURL.size() - 1;
    while (i >= 0 && !isSeparator(s.WURL.at(i)))
        --i;
    if (i >= 0) {
        s.WURL_DIR = s.WURL.left(i + 1);
        s.WURL_FILE = s.WURL.mid(i + 1);
    } else {
        s.WURL_DIR = s.WURL; // WURL_FILE stays as it was
    }
    if (s.WURL_FILE.contains(QLatin1Char('.')))
        return false;
    // The address names a folder: its page is index.htm.
    s.WURL_DIR = s.WURL;
    s.WURL_FILE = QStringLiteral("index.htm");
    return true;
}

void COMPLETA_URL(SharedState& s) {
    if (!s.WURL_DIR.endsWith(QLatin1Char('\\')) && !s.WURL_DIR.endsWith(QLatin1Char('/')))
        s.WURL_DIR += QLatin1Char('/');
    s.WURL = s.WURL_DIR + s.WURL_FILE;
}
