#pragma once
#include "fs/RunError.h"

#include <optional>

// The RunError a call raises, or nothing when it runs through.
template <typename Call>
std::optional<RunError> failureOf(Call&& call) {
    try {
        call();
    } catch (const RunError& e) {
        return e;
    }
    return std::nullopt;
}
