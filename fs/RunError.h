#pragma once
#include <QString>
#include <stdexcept>

// A run-time failure: a number and a description, as the commands show them
// in their failure tails. Components raise it; commands trap it.
struct RunError : std::runtime_error {
    RunError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), Number(number), Description(description) {}
    int Number;
    QString Description;
};

// The last failure seen by a command running under a skip-on-failure trap.
struct LastError {
    int Number = 0;
    QString Description;
    bool isSet() const { return Number != 0; }
    void Clear() { Number = 0; Description.clear(); }
    void Raise(const RunError& e) { Number = e.Number; Description = e.Description; }
};

// Run one step under the skip-on-failure rule: a failure abandons the rest of the
// step and becomes the last failure. Returns true when the step ran through.
template <typename Step>
bool skipOnFailure(LastError& last, Step&& step) {
    try {
        step();
        return true;
    } catch (const RunError& e) {
        last.Raise(e);
        return false;
    }
}
