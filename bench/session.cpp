#include "bench/session.hpp"

#include <algorithm>
#include <array>
#include <numeric>
#include <stdexcept>

#include "md/catalogue.hpp"
#include "md/header.hpp"
#include "md/layout.hpp"
#include "md/layout_walk.hpp"

namespace tarn::bench {

namespace {

// 2024-06-10 09:00:00 UTC: a trading morning.
constexpr std::uint64_t session_start_ns = 1'718'010'000'000'000'000;

constexpr std::uint64_t power_of_ten(unsigned exponent) {
    std::uint64_t value = 1;
    for (unsigned i = 0; i < exponent; ++i) {
        value *= 10;
    }
    return value;
}

// Writes plausible values into every field of a message, walking its layout;
// a counted list gets its count before the walk reads it.
class field_filler : public md::layout_visitor {
  public:
    field_filler(md::message_builder& message, random_numbers& random, std::uint64_t timestamp)
        : message_(message), random_(random), timestamp_(timestamp) {}

    template <md::value_kind Kind>
    bool value(const md::field& f, md::byte_view container) {
        const std::size_t at = offset_of(container) + f.offset;
        if constexpr (Kind == md::value_kind::uint8) {
            message_.put(at, static_cast<std::uint8_t>(random_.below(100)));
        } else if constexpr (Kind == md::value_kind::int8) {
            message_.put(at, static_cast<std::int8_t>(random_.below(100)));
        } else if constexpr (Kind == md::value_kind::flag) {
            message_.put(at, static_cast<std::uint8_t>(random_.below(2)));
        } else if constexpr (Kind == md::value_kind::uint16) {
            message_.put(at, static_cast<std::uint16_t>(random_.below(10'000)));
        } else if constexpr (Kind == md::value_kind::uint32) {  // instrument ids, dates, counters
            message_.put(at, static_cast<std::uint32_t>(1 + random_.below(power_of_ten(8))));
        } else if constexpr (Kind == md::value_kind::uint64) {  // order ids and quantities
            message_.put(at, 1 + random_.below(power_of_ten(2 + random_.below(14))));
        } else if constexpr (Kind == md::value_kind::int64) {  // prices in ten-thousandths
            message_.put(
                at, static_cast<std::int64_t>(power_of_ten(4) + random_.below(power_of_ten(9))));
        } else if constexpr (Kind == md::value_kind::timestamp) {
            message_.put(at, timestamp_ - random_.below(power_of_ten(6)));
        } else if constexpr (Kind == md::value_kind::enumeration) {
            fill_enumeration(f, at);
        } else if constexpr (Kind == md::value_kind::text) {
            fill_text(at, f.kind.width, f.kind.width);
        } else {  // a name shorter than its room, then a zero
            fill_text(at, f.kind.width, std::min<std::size_t>(f.kind.width - 1, 12));
        }
        return true;
    }

    void open_counted_list(const md::field& list, md::byte_view room) {
        message_.put(offset_of(room),
                     static_cast<std::uint8_t>(1 + random_.below(list.kind.count)));
    }

  private:
    std::size_t offset_of(md::byte_view part) const {
        return static_cast<std::size_t>(part.data() - message_.bytes().data());
    }

    void fill_enumeration(const md::field& f, std::size_t at) {
        const auto entries = f.kind.names->entries;
        const std::int32_t code = entries[random_.below(entries.size())].value;
        if (f.kind.width == 2) {
            message_.put(at, static_cast<std::uint16_t>(code));
        } else {
            message_.put(at, static_cast<std::uint8_t>(code));
        }
    }

    // `length` characters of an identifier (capitals and digits), zero to `width`.
    void fill_text(std::size_t at, std::size_t width, std::size_t length) {
        static constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        std::array<char, 256> text{};
        for (std::size_t i = 0; i < length && i < text.size(); ++i) {
            text.at(i) = alphabet[random_.below(alphabet.size())];
        }
        message_.text(at, std::string_view(text.data(), length), width);
    }

    md::message_builder& message_;
    random_numbers& random_;
    std::uint64_t timestamp_;
};

constexpr std::array<mix_entry, 16> mix{{
    {md::MsgType::OrderAdd, 300},
    {md::MsgType::OrderCancel, 260},
    {md::MsgType::TopPriceLevelUpdate, 150},
    {md::MsgType::OrderModify, 120},
    {md::MsgType::OrderExecute, 60},
    {md::MsgType::Trade, 40},
    {md::MsgType::Heartbeat, 20},
    {md::MsgType::PriceLevelSnapshot, 15},
    {md::MsgType::PriceUpdate, 10},
    {md::MsgType::RealTimeIndex, 10},
    {md::MsgType::AuctionUpdate, 5},
    {md::MsgType::InstrumentStatusChange, 4},
    {md::MsgType::Instrument, 2},
    {md::MsgType::TickTableEntry, 2},
    {md::MsgType::MarketStructure, 1},
    {md::MsgType::News, 1},
}};

constexpr bool mix_sums_to_thousand() {
    return std::accumulate(mix.begin(), mix.end(), 0U, [](unsigned sum, const mix_entry& entry) {
               return sum + entry.per_thousand;
           }) == 1000;
}
static_assert(mix_sums_to_thousand());

md::MsgType pick_type(random_numbers& random) {
    auto roll = static_cast<unsigned>(random.below(1000));
    for (const mix_entry& entry : mix) {
        if (roll < entry.per_thousand) {
            return entry.type;
        }
        roll -= entry.per_thousand;
    }
    return mix.front().type;
}

}  // namespace

std::uint64_t random_numbers::next() {
    state_ += 0x9e3779b97f4a7c15ULL;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30U)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27U)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31U);
}

md::message_builder sample_message(md::MsgType type, random_numbers& random, std::uint32_t seq_num,
                                   std::uint64_t timestamp) {
    const md::layout* body = md::find_layout(type);
    md::message_builder message(type, body != nullptr ? body->size : md::header_layout.size);
    message.set("version", std::uint16_t{1})
        .set("seqNum", seq_num)
        .set("timestamp", timestamp)
        .set("sourceTimestamp", timestamp - 1'000 - random.below(50'000))
        .set("sessionId", std::uint16_t{1})
        .set("streamId", static_cast<std::uint8_t>(1 + random.below(4)));
    if (body != nullptr) {
        field_filler filler(message, random, timestamp);
        md::walk_fields(filler, *body, md::byte_view(message.view().data(), message.view().size()));
    }
    return message;
}

std::span<const mix_entry> realistic_mix() { return mix; }

session::session(std::size_t message_count, datagram_shape shape, std::uint64_t seed) {
    random_numbers random(seed);
    std::vector<std::size_t> message_ends;
    std::uint64_t timestamp = session_start_ns;
    std::uint32_t seq_num = 0;
    std::size_t datagram_start = 0;
    for (std::size_t i = 0; i < message_count; ++i) {
        timestamp += 100 + random.below(20'000);
        const md::MsgType type = pick_type(random);
        if (type != md::MsgType::Heartbeat) {
            ++seq_num;
            ++numbered_count_;
        }
        const md::message_builder message =
            sample_message(type, random, std::max<std::uint32_t>(seq_num, 1), timestamp);
        const std::string_view bytes = message.view();
        const bool full =
            shape == datagram_shape::single
                ? bytes_.size() > datagram_start
                : bytes_.size() + bytes.size() - datagram_start > packed_datagram_size;
        if (full) {
            datagram_ends_.push_back(bytes_.size());
            datagram_start = bytes_.size();
        }
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        message_ends.push_back(bytes_.size());
    }
    if (bytes_.size() > datagram_start) {
        datagram_ends_.push_back(bytes_.size());
    }
    std::size_t start = 0;
    for (const std::size_t end : message_ends) {
        messages_.emplace_back(bytes_.data() + start, end - start);
        start = end;
    }
    message_count_ = messages_.size();
}

std::string_view session::datagram(std::size_t index) const noexcept {
    const std::size_t start = index == 0 ? 0 : datagram_ends_[index - 1];
    return {bytes_.data() + start, datagram_ends_[index] - start};
}

md::message_builder end_of_session(std::uint32_t seq_num) {
    constexpr std::size_t event_offset = 50;  // tradingSessionEvent
    constexpr std::uint8_t end_of_technical_session = 3;
    md::message_builder message(md::MsgType::TradingSessionStatus, 55);
    message.set("version", std::uint16_t{1}).set("seqNum", seq_num).text(42, "XPAR", 4);
    message.put(event_offset, end_of_technical_session);
    return message;
}

}  // namespace tarn::bench
