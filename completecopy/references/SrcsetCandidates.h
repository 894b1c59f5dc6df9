#pragma once
#include <QString>
#include <QStringList>
#include <vector>

// The address of one candidate of a srcset attribute, with where it stands in it.
struct SrcsetCandidate {
    QString address;
    qsizetype at = 0;
    qsizetype length = 0;
    bool operator==(const SrcsetCandidate&) const = default;
};

// Every candidate of a srcset attribute ("a.png 1x, b.png 2x"), as a browser splits
// it: a candidate's address ends at white space, commas at its end are not part of
// it, and its descriptors run to the next comma outside brackets.
std::vector<SrcsetCandidate> srcsetCandidateSpans(const QString& srcset);

// The same, the addresses alone.
QStringList srcsetCandidates(const QString& srcset);
