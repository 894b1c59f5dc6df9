#pragma once
#include <QByteArray>
#include <vector>

// A span of bytes to write anew.
struct ByteEdit {
    qsizetype at = 0;
    qsizetype length = 0;
    QByteArray bytes;
};

// The bytes with the span of each edit replaced by the edit's bytes, every other byte
// as it was. The edits may come in any order; one that lies outside the bytes or
// overlaps one before it (in the order of the bytes) is left out.
QByteArray withEdits(const QByteArray& bytes, std::vector<ByteEdit> edits);
