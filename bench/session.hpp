#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "md/message_builder.hpp"
#include "md/msg_type.hpp"

namespace tarn::bench {

// Deterministic pseudo-random numbers (splitmix64), so every run renders and
// sends the same session.
class random_numbers {
  public:
    explicit random_numbers(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next();
    // Uniform enough in [0, bound) for picking values; `bound` must not be 0.
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }

  private:
    std::uint64_t state_;
};

// A message of `type` at its layout's size with every field set to a
// plausible value: numbers of realistic magnitude, enumerations set to a
// described value, text printable, counted lists partly filled. Heartbeat is
// a bare header.
md::message_builder sample_message(md::MsgType type, random_numbers& random, std::uint32_t seq_num,
                                   std::uint64_t timestamp);

// How often a message type turns up in a busy feed, per thousand messages.
struct mix_entry {
    md::MsgType type;
    unsigned per_thousand;
};

// Mostly single orders, then best-price updates, some snapshots and trades,
// heartbeats, and rare reference data. No TradingSessionStatus, so a session
// never ends by accident.
std::span<const mix_entry> realistic_mix();

// How messages are laid into datagrams.
enum class datagram_shape {
    packed,  // as many whole messages as fit in 1400 bytes
    single,  // one message per datagram
};

inline constexpr std::size_t packed_datagram_size = 1400;

// Messages in feed order, laid end to end in datagrams. Numbered messages
// carry consecutive sequence numbers from 1; heartbeats repeat the last one.
class session {
  public:
    session(std::size_t message_count, datagram_shape shape, std::uint64_t seed = 1);

    std::size_t message_count() const noexcept { return message_count_; }
    // Messages other than heartbeats: what the sequence check counts.
    std::size_t numbered_count() const noexcept { return numbered_count_; }
    std::size_t datagram_count() const noexcept { return datagram_ends_.size(); }
    std::string_view datagram(std::size_t index) const noexcept;
    // Every message, each exactly its `length` bytes.
    const std::vector<std::string_view>& messages() const noexcept { return messages_; }

  private:
    std::vector<char> bytes_;
    std::vector<std::size_t> datagram_ends_;
    std::vector<std::string_view> messages_;
    std::size_t message_count_ = 0;
    std::size_t numbered_count_ = 0;
};

// The EndOfTechnicalSession status that ends a run of md_dump.
md::message_builder end_of_session(std::uint32_t seq_num);

}  // namespace tarn::bench
