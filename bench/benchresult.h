#pragma once

#include <cstdio>

// One figure of a benchmark in the line format bench/run-all.sh gathers into
// its table:
//   RESULT|figure|value|unit|compared with|value|unit|goal
// The ratio is the table's to compute. `goal` may be empty.

namespace yomika::bench {

/// Prints one RESULT line on standard output. Never fails.
inline void printResult(const char* figure, double value, const char* unit, const char* comparedWith,
                        double reference, const char* referenceUnit, const char* goal = "")
{
    std::printf("RESULT|%s|%.3f|%s|%s|%.3f|%s|%s\n", figure, value, unit, comparedWith, reference,
                referenceUnit, goal);
    std::fflush(stdout);
}

} // namespace yomika::bench
