#include "app/StopSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace StopSignals {
namespace {

constexpr int kInterrupted = 130;  // 128 + SIGINT
constexpr int kTerminated = 143;   // 128 + SIGTERM

std::function<void(int)>& onStopped() {
    static std::function<void(int)> f;
    return f;
}
std::atomic<int> asked{0};  // the exit status of the first signal; 0 before one came

void stopInLoop(int code) {
    if (onStopped())
        onStopped()(code);
}

#ifdef _WIN32

BOOL WINAPI onConsole(DWORD event) {
    const int code = event == CTRL_C_EVENT ? kInterrupted : kTerminated;
    int none = 0;
    if (!asked.compare_exchange_strong(none, code)) {
        if (event == CTRL_C_EVENT)
            ExitProcess(kInterrupted);
        return TRUE;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), [code] { stopInLoop(code); }, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

void watch(std::function<void(int)> onStop) {
    onStopped() = std::move(onStop);
    asked = 0;
    SetConsoleCtrlHandler(onConsole, TRUE);
}

void release() {
    SetConsoleCtrlHandler(onConsole, FALSE);
    onStopped() = nullptr;
}

#else

int wake[2] = {-1, -1};  // the handler writes, the event loop reads
std::unique_ptr<QSocketNotifier>& notifier() {
    static std::unique_ptr<QSocketNotifier> n;
    return n;
}

void onSignal(int number) {
    const int code = number == SIGINT ? kInterrupted : kTerminated;
    int none = 0;
    if (!asked.compare_exchange_strong(none, code)) {
        if (number == SIGINT)
            _exit(kInterrupted);
        return;
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(wake[1], &byte, 1);
}

} // namespace

void watch(std::function<void(int)> onStop) {
    onStopped() = std::move(onStop);
    asked = 0;
    if (wake[0] < 0 && pipe(wake) != 0)
        return;
    notifier() = std::make_unique<QSocketNotifier>(wake[0], QSocketNotifier::Read);
    QObject::connect(notifier().get(), &QSocketNotifier::activated, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(wake[0], &byte, 1);
        stopInLoop(asked.load());
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void release() {
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    notifier().reset();
    onStopped() = nullptr;
}

#endif

} // namespace StopSignals
