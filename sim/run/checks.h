// Checks of a finished run against what its scenario expects.
#pragma once
#include <string>
#include <vector>

#include "run/runner.h"
#include "scenario/expectations.h"

// One line per expectation that does not hold or cannot be evaluated.
std::vector<std::string> CheckExpectations(const Expectations& e, const RunOutcome& run);
