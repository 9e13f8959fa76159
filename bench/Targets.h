#pragma once
// The benchmarks' verdicts: after the line of figures, one line per target
// saying plainly whether it held ("held") or not ("MISSED").

#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace cv::bench {

struct Target {
    const char* figure;
    double value;
    const char* op; // "<", "<=", ">=" or "=="
    double limit;
    bool met() const
    {
        const std::string_view o(op);
        return o == "<"    ? value < limit
               : o == "<=" ? value <= limit
               : o == ">=" ? value >= limit
                           : value == limit;
    }
};

// Prints the verdicts; returns how many targets were missed.
inline int reportTargets(std::initializer_list<Target> targets)
{
    int missed = 0;
    for (const Target& t : targets) {
        missed += !t.met();
        std::printf("target %s %s %g: %s (%g)\n", t.figure, t.op, t.limit,
                    t.met() ? "held" : "MISSED", t.value);
    }
    return missed;
}

} // namespace cv::bench
