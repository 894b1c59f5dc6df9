#include "completecopy/offline/ByteEdits.h"
#include <algorithm>

QByteArray withEdits(const QByteArray& bytes, std::vector<ByteEdit> edits) {
    std::stable_sort(edits.begin(), edits.end(), [](const ByteEdit& a, const ByteEdit& b) { return a.at < b.at; });
    QByteArray out;
    qsizetype grown = 0;
    for (const ByteEdit& e : edits)
        grown += e.bytes.size();
    out.reserve(bytes.size() + grown);
    qsizetype done = 0;
    for (const ByteEdit& e : edits) {
        if (e.at < done || e.length < 0 || e.at + e.length > bytes.size())
            continue;
        out.append(bytes.constData() + done, e.at - done);
        out.append(e.bytes);
        done = e.at + e.length;
    }
    out.append(bytes.constData() + done, bytes.size() - done);
    return out;
}
