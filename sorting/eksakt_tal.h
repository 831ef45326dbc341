// Exact binary arithmetic for the alphabetic sort key where the x87 format
// is not at hand: a sum rounded to a 64-bit significand, then to a double,
// both to nearest with ties to even, in 128-bit integers.
#pragma once

namespace eksakt {

// An exact binary number: (-1)^negativ * mantisse * 2^eksponent.
struct tal {
    bool negativ = false;
    unsigned __int128 mantisse = 0;
    int eksponent = 0;
};

// d * faktor, exactly (faktor is a character value, well inside 2^11).
tal fra_double(double d, int faktor);
// a + b rounded to a 64-bit significand.
tal sum_64(tal a, tal b);
// The double nearest to t, subnormals included.
double til_double(tal t);

}  // namespace eksakt
