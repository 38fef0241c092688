#pragma once

#include <string>
#include <string_view>

namespace tarn::synth {

// The check digit of an ISIN's first eleven characters (two letters of the
// country, nine alphanumeric characters): letters count as 10 to 35, and the
// digits so written get the modulus 10 "double every other digit" check.
char isin_check_digit(std::string_view first_eleven);

// The twelve characters of an ISIN: `first_eleven` and its check digit.
std::string make_isin(std::string_view first_eleven);

}  // namespace tarn::synth
