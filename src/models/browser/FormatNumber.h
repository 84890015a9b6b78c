// FormatNumber: the one number-to-text routine for sizes and lengths shown
// to the user.
#pragma once

#include <string>

// The value in single precision, rounded to `decimals` places. Below 1 all
// decimals are shown ("0.500"); from 1 on the decimals are shown only when
// one of them is not 0 ("2", "1.500").
std::string FormatNumber(double value, int decimals);
