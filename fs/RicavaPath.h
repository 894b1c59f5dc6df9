#pragma once
#include <QString>

// WDIR becomes N up to and including its last "/" or "\"; empty when N holds neither.
void RICAVA_PATH(QString& WDIR, const QString& N);
