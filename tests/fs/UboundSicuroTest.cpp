#include "fs/UboundSicuro.h"
#include <gtest/gtest.h>

TEST(UboundSicuro, UpperBoundOrFallback) {
    const std::optional<QStringList> three = QStringList{"a", "b", "c"};
    const std::optional<QStringList> none; // never allocated
    const std::optional<QStringList> empty = splitKeepingEmpty(QString(), QStringLiteral("\\"));
    struct Case { const std::optional<QStringList>* values; int dimension; int expected; };
    const Case cases[] = {
        {&three, 1, 2},
        {&empty, 1, -1}, // allocated, no element: -1 as is, not the fallback
        {&none, 1, 77},
        {&three, 0, 77},
        {&three, 2, 77},
        {&three, 65537, 77}, // does not fit in 16 bits (and is 1 modulo 65536)
    };
    for (const Case& c : cases)
        EXPECT_EQ(UBOUND_SICURO(*c.values, c.dimension, 77), c.expected) << "dimension " << c.dimension;
}
