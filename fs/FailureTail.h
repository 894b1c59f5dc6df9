#pragma once
#include <QString>

// A failure number as the messages write it: a blank before a number that is not
// negative, the minus sign in its place otherwise (" 53", "-1").
QString signedNumber(int number);

// The tail of a message about a run-time failure: two carriage returns (no line
// feed), an optional label ("ERR:"), the signed number, " - " and the description.
QString failureTail(const QString& label, int number, const QString& description);
