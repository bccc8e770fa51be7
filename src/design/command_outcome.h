// How a design command ends: it runs to its end, stops at an unreadable field (whose warning has been
// shown), or ends in a floating-point fault, with what it wrote before kept.
#pragma once

#include <string>

namespace torvel {

enum class [[nodiscard]] CommandStatus { Completed, StoppedAtField, Fault };

struct [[nodiscard]] CommandOutcome {
    CommandStatus status = CommandStatus::Completed;
    std::string faultText;  // "Floating point division by zero." etc. for a fault
};

}  // namespace torvel
