// Doubles as the fewest decimal digits that read back to the same value, written out in full
// (no exponent): the form the reporting service has always been sent. The C++ library's own
// formatter for this weighs about 170 KB in a static Windows program; the C library's printf
// and strtod, which the program links anyway, find the same digits.
#pragma once

#include <string>

namespace corvald::text {

// Finite values only. Whole numbers carry every digit of their exact binary value (1e23 is
// "99999999999999991611392"), -0 keeps its sign, fractions have the shortest digits that read
// back, placed after "0." and leading zeros as needed.
std::string shortest_fixed(double value);

}  // namespace corvald::text
