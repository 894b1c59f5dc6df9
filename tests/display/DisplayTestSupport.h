#pragma once
// Helpers of the display tests: files in program form, failure numbers.
#include "fs/ErrorCodes.h"
#include "fs/RunError.h"
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

namespace displaytest {

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

inline QString programForm(QString path) { return path.replace('/', '\\'); }

// The number of the RunError that call raises (0 for none), which must carry its own description.
inline int failure(const std::function<void()>& call) {
    try {
        call();
    } catch (const RunError& e) {
        EXPECT_EQ(e.Description, ErrorCodes::descrizione(e.Number));
        return e.Number;
    }
    return 0;
}

} // namespace displaytest
