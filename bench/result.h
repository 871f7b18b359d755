#pragma once
// The one machine-readable line every benchmark prints per figure, beside
// its own text, for scripts/bench.sh to collect into its table:
//
//   RESULT <name> <measured> <unit> <target> <kind> <allowance>
//
// kind "max": the figure passes while measured <= target x allowance (a floor
// with 5 % allowed is its floor and 1.05); "min": while measured >= target /
// allowance; "info": shown without a verdict (target 0). Names are one word.

#include <cstdio>

enum class Kind { Max, Min, Info };

inline void printResult(const char *name, double measured, const char *unit, double target, Kind kind,
                        double allowance = 1.0)
{
    const char *kindName = kind == Kind::Max ? "max" : kind == Kind::Min ? "min" : "info";
    std::printf("RESULT %s %.4f %s %.4f %s %.3f\n", name, measured, unit, target, kindName, allowance);
    std::fflush(stdout);
}

// A wall time against its floor of line exchanges: within 5 % of it.
inline constexpr double kFloorAllowance = 1.05;
