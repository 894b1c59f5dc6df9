#include "app/TerminalProgress.h"

#include <cstdio>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr qint64 kEveryMs = 250;

} // namespace

bool TerminalProgress::standardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

TerminalProgress::TerminalProgress(std::ostream& err, bool shown) : m_err(err), m_shown(shown) {
    m_clock.start();
}

void TerminalProgress::update(const CopyProgress& progress) {
    if (!m_shown)
        return;
    m_told = progress;
    const qint64 now = m_clock.elapsed();
    if (m_lastMs >= 0 && now - m_lastMs < kEveryMs)
        return;
    m_lastMs = now;
    write(progress);
}

void TerminalProgress::write(const CopyProgress& progress) {
    const QByteArray line = progressLine(progress, double(m_clock.elapsed()) / 1000).toLocal8Bit();
    // Blanks over what a longer line left behind.
    const int width = int(line.size());
    m_err << '\r' << line.constData() << std::string(std::max(0, m_width - width), ' ') << std::flush;
    m_width = width;
    m_written = progress;
}

void TerminalProgress::finish() {
    if (!m_shown)
        return;
    if (m_told && m_told != m_written)
        write(*m_told);
    if (m_width > 0)
        m_err << '\n' << std::flush;
    m_width = 0;
    m_told.reset();
    m_written.reset();
}
