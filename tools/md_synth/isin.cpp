#include "isin.hpp"

#include <cctype>
#include <stdexcept>

namespace tarn::synth {

char isin_check_digit(std::string_view first_eleven) {
    if (first_eleven.size() != 11) {
        throw std::invalid_argument("an ISIN has eleven characters before its check digit");
    }
    std::string digits;
    for (const char c : first_eleven) {
        if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
            digits += c;
        } else if (c >= 'A' && c <= 'Z') {
            digits += std::to_string(c - 'A' + 10);
        } else {
            throw std::invalid_argument("an ISIN has upper-case letters and digits only");
        }
    }
    // From the right, every other digit, starting with the last, is doubled.
    unsigned sum = 0;
    bool doubled = true;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, doubled = !doubled) {
        auto digit = static_cast<unsigned>(*it - '0');
        if (doubled) {
            digit *= 2;
        }
        sum += digit / 10 + digit % 10;
    }
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string make_isin(std::string_view first_eleven) {
    return std::string(first_eleven) + isin_check_digit(first_eleven);
}

}  // namespace tarn::synth
