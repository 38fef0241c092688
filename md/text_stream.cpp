#include "md/text_stream.hpp"

#include <algorithm>
#include <memory>

#include "md/digit_pairs.hpp"

namespace tarn::md {

namespace {

constexpr std::uint32_t ten_to_the_8 = 100'000'000;

// Exactly eight digits of `value` (below 10^8), with leading zeros.
void write_eight_digits(char* at, std::uint32_t value) {
    write_two_digits(at, value / 1'000'000);
    write_two_digits(at + 2, value / 10'000 % 100);
    write_two_digits(at + 4, value / 100 % 100);
    write_two_digits(at + 6, value % 100);
}

// The number of digits of `value` (below 10^8).
std::size_t digit_count(std::uint32_t value) {
    if (value < 10'000) {
        return value < 100 ? (value < 10 ? 1 : 2) : (value < 1'000 ? 3 : 4);
    }
    return value < 1'000'000 ? (value < 100'000 ? 5 : 6) : (value < 10'000'000 ? 7 : 8);
}

// `value` (below 10^8) without leading zeros.
char* write_up_to_eight_digits(char* at, std::uint32_t value) {
    char* const end = at + digit_count(value);
    char* next = end;
    while (value >= 100) {
        next -= 2;
        write_two_digits(next, value % 100);
        value /= 100;
    }
    if (value >= 10) {
        write_two_digits(next - 2, value);
    } else {
        next[-1] = static_cast<char>('0' + value);
    }
    return end;
}

}  // namespace

char* write_decimal(char* at, std::uint64_t value) noexcept {
    if (value < 10) {  // flags, counts and the many fields left at zero
        *at = static_cast<char>('0' + value);
        return at + 1;
    }
    if (value < ten_to_the_8) {
        return write_up_to_eight_digits(at, static_cast<std::uint32_t>(value));
    }
    const auto low = static_cast<std::uint32_t>(value % ten_to_the_8);
    std::uint64_t high = value / ten_to_the_8;
    if (high < ten_to_the_8) {
        at = write_up_to_eight_digits(at, static_cast<std::uint32_t>(high));
    } else {
        at = write_up_to_eight_digits(at, static_cast<std::uint32_t>(high / ten_to_the_8));
        write_eight_digits(at, static_cast<std::uint32_t>(high % ten_to_the_8));
        at += 8;
    }
    write_eight_digits(at, low);
    return at + 8;
}

void text_stream::grow(std::size_t count) {
    buffer_.resize(std::max(buffer_.size() * 2, size_ + count));
}

text_stream& message_text() {
    // Created on first use and released at process exit.
    static const auto stream = std::make_unique<text_stream>();
    return *stream;
}

}  // namespace tarn::md
