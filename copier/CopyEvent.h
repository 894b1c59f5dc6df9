#pragma once
#include <QString>
#include <functional>

// What a copy did with one address, or that it read a page, for whoever follows the
// copy (the command line prints a line for each).
struct CopyEvent {
    enum class Kind {
        Written,  // fetched and written: file is the local file
        Missing,  // judged not found
        Failed,   // not fetched, or fetched and not written: failure says why
        PageRead, // a page file was read for references: file is that page
        Unchanged, // fetched, or found not modified, and the same as the local file kept
    };
    Kind kind;
    int level = 0;    // 0 for the start page
    QString address;  // as put into the address box
    QString file;     // program form
    QString failure;  // "number - description"
};

using CopyObserver = std::function<void(const CopyEvent&)>;
