#pragma once

#include <cstddef>
#include <string_view>

// The number at the start of a text as the C library's atoi reads it in the C locale: blanks
// (space, \t, \n, \v, \f, \r), at most one sign, then decimal digits up to the first other
// character. Frame numbers in record names, values in Halcyra.ini and the parts of the
// version text are all read this way, so a name like " 7.jpg" or "-3" means the same to us as
// to the recorder and the files it shares them with.
struct LeadingInteger {
    int value = 0;           // 0 without digits; saturated to the int range
    std::size_t digits = 0;  // how many digits were read
    std::size_t end = 0;     // just past the last character read (0 without digits)
};

LeadingInteger readLeadingInteger(std::string_view text);
