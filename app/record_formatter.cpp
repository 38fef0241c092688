#include "app/record_formatter.hpp"

#include <spdlog/details/log_msg.h>
#include <spdlog/details/os.h>

#include <cstring>
#include <ctime>
#include <iterator>

#include "md/digit_pairs.hpp"

namespace tarn {

void record_formatter::render_second(std::chrono::seconds seconds) {
    const std::tm tm = spdlog::details::os::localtime(
        static_cast<std::time_t>(seconds.count()));  // as the pattern's local time
    const auto end = spdlog::fmt_lib::format_to_n(
        second_text_.data(), second_text_.size(), "{}-{:02}-{:02} {:02}:{:02}:{:02}.",
        tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    second_size_ = static_cast<std::size_t>(end.out - second_text_.data());
    second_ = seconds;
    second_known_ = true;
}

void record_formatter::format(const spdlog::details::log_msg& message, spdlog::memory_buf_t& dest) {
    using std::chrono::duration_cast;
    using std::chrono::nanoseconds;
    const auto since_epoch = message.time.time_since_epoch();
    const auto seconds = duration_cast<std::chrono::seconds>(since_epoch);
    if (!second_known_ || seconds != second_) {
        render_second(seconds);
    }
    const auto fraction = static_cast<std::size_t>(
        (duration_cast<nanoseconds>(since_epoch) - duration_cast<nanoseconds>(seconds)).count());
    const spdlog::string_view_t level = spdlog::level::to_short_c_str(message.level);
    const spdlog::string_view_t text = message.payload;

    constexpr std::size_t fraction_digits = 9;
    if (fraction >= 1'000'000'000U) {
        // Only before 1970, where the fraction comes out negative: the
        // pattern writes its unsigned wrap-round, and so does this.
        dest.append(second_text_.data(), second_text_.data() + second_size_);
        spdlog::fmt_lib::format_to(std::back_inserter(dest), "{:09} [{}] {}\n", fraction,
                                   std::string_view(level.data(), level.size()),
                                   std::string_view(text.data(), text.size()));
        return;
    }
    const std::size_t start = dest.size();
    dest.resize(start + second_size_ + fraction_digits + 2 + level.size() + 2 + text.size() + 1);
    char* out = dest.data() + start;
    std::memcpy(out, second_text_.data(), second_size_);
    out += second_size_;
    std::size_t rest = fraction;
    md::write_two_digits(out + 7, static_cast<std::uint32_t>(rest % 100));
    rest /= 100;
    md::write_two_digits(out + 5, static_cast<std::uint32_t>(rest % 100));
    rest /= 100;
    md::write_two_digits(out + 3, static_cast<std::uint32_t>(rest % 100));
    rest /= 100;
    md::write_two_digits(out + 1, static_cast<std::uint32_t>(rest % 100));
    out[0] = static_cast<char>('0' + rest / 100);
    out += fraction_digits;
    *out++ = ' ';
    *out++ = '[';
    std::memcpy(out, level.data(), level.size());
    out += level.size();
    *out++ = ']';
    *out++ = ' ';
    if (text.size() != 0) {
        std::memcpy(out, text.data(), text.size());
        out += text.size();
    }
    *out = '\n';
}

std::unique_ptr<spdlog::formatter> record_formatter::clone() const {
    return std::make_unique<record_formatter>(*this);
}

}  // namespace tarn
