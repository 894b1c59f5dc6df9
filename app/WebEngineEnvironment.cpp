#include "app/WebEngineEnvironment.h"
#include <QByteArray>
#include <QtGlobal>

#if defined(Q_OS_LINUX)
#include <sched.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

bool webEngineSandboxUsable() {
#if defined(Q_OS_LINUX)
    if (::getuid() == 0)
        return false; // the engine refuses to start sandboxed as root
    // The sandbox needs a user namespace: try to make one in a throw-away child, so
    // that this process is left as it was. Called before any thread exists.
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0)
        ::_exit(::unshare(CLONE_NEWUSER) == 0 ? 0 : 1);
    int status = 0;
    if (::waitpid(child, &status, 0) != child)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
#else
    return true;
#endif
}

void prepareWebEngineEnvironment() {
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") && !webEngineSandboxUsable())
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", QByteArray("1"));
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", QByteArray(kQuietChromiumFlags));
}
