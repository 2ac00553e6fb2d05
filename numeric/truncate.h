#ifndef TRUNCATE_H
#define TRUNCATE_H

#include <limits>

// Truncation toward zero that never leaves the range of int: NaN gives 0 and values
// beyond the range saturate, where a plain cast would be undefined. Every float to
// int step of the program goes through it.
constexpr int truncateToInt(double value)
{
    if (value != value) // NaN
        return 0;
    // Both bounds are exact in double.
    if (value <= -2147483649.0)
        return std::numeric_limits<int>::min();
    if (value >= 2147483648.0)
        return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

#endif // TRUNCATE_H
