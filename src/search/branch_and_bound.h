// The search proper: branch and bound over a search space for the candidate with the best objective.
#pragma once

#include "search/search_space.h"

namespace torvel::search {

struct BranchAndBoundOutcome {
    bool found = false;      // some candidate was evaluated
    bool cancelled = false;  // the control's cancel flag stopped it
    bool timedOut = false;   // the request's time limit stopped it: `best` is the best so far
    Candidate best{};
    long long candidates = 0;  // complete candidates evaluated
};

BranchAndBoundOutcome branchAndBound(const SearchSpace& space, const SearchControl& control);

}  // namespace torvel::search
