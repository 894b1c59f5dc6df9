#pragma once
#include <QString>

// The four settings boxes of the window, as typed (untrimmed).
struct InternetSettings {
    QString login;
    QString password;
    QString proxy;
    QString port;
};
