#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "md/byte_view.hpp"
#include "processing/records.hpp"
#include "processing/run_counters.hpp"

namespace tarn {

// The root of the processor family. The receive loop hands each message over
// with set_current, keeps the sequence counters and calls the four
// operations; the concrete classes decide what a message writes into the log,
// through the writer of the run's records.
//
// MsgTypeT is the message type code, HeaderT the message header, SeqNumT the
// sequence number type and NamesT the holder of message type names.
template <class MsgTypeT, class HeaderT, class SeqNumT, class NamesT>
class generic_processor {
  public:
    generic_processor() = default;
    generic_processor(const generic_processor&) = delete;
    generic_processor& operator=(const generic_processor&) = delete;
    generic_processor(generic_processor&&) = delete;
    generic_processor& operator=(generic_processor&&) = delete;
    virtual ~generic_processor() = default;

    // Every message but heartbeats, after the sequence check: counts by type.
    virtual void process() { count_by_type(); }
    // Every heartbeat, instead of the sequence check and the other calls.
    virtual void process_heartbeat() {}
    // Right after `process`: sets `finished_` when the stream has ended.
    virtual void check_finished() {}
    // Once per run, after reception has ended normally.
    virtual void print_summary();

    // The message handed over: exactly its `length` bytes, and its type.
    struct current_message {
        md::byte_view bytes;
        MsgTypeT type{};
    };

    // Hands over the next message, which holds at least a header.
    void set_current(md::byte_view message, MsgTypeT type) noexcept {
        msg_ = message.data();
        header_ = reinterpret_cast<const HeaderT*>(message.data());
        current_ = {message, type};
    }

    const char* msg_ = nullptr;        // first byte of the current message
    const HeaderT* header_ = nullptr;  // the same address, as the header
    current_message current_;          // the same message, as set_current handed it over
    bool finished_ = false;            // the receive loop stops once set
    bool errors_ = false;              // any gap, resend, message not shown or datagram lost
    SeqNumT expected_seq_num_ = 0;     // 0: nothing expected yet
    std::uint64_t received_ = 0;       // messages other than heartbeats
    std::uint64_t lost_ = 0;           // total size of all sequence gaps
    std::uint64_t gaps_ = 0;           // number of sequence gaps
    std::uint64_t socket_drops_ = 0;   // datagrams the socket dropped, buffer full
    message_anomalies anomalies_;      // resends, unknown and short messages
    std::map<MsgTypeT, std::uint64_t> counts_;  // messages per type code
    records::writer records_;                   // the run's records: their form and time

    // A progress record of the sequence check every `count` messages; 0: none.
    void set_every(std::uint64_t count) noexcept {
        every_ = count;
        next_progress_ = count == 0 ? std::numeric_limits<std::uint64_t>::max()
                                    : (received_ / count + 1) * count;
    }
    std::uint64_t every() const noexcept { return every_; }

  protected:
    void count_by_type() { ++counts_[current_.type]; }
    // Whether the count of messages has reached the next progress record.
    // Compared, not divided, on the sequence check's path: the count only
    // ever goes up by one.
    bool progress_due() noexcept {
        if (received_ != next_progress_) [[likely]] {
            return false;
        }
        next_progress_ += every_;
        return true;
    }

  private:
    std::uint64_t every_ = 10'000;
    std::uint64_t next_progress_ = 10'000;
};

template <class MsgTypeT, class HeaderT, class SeqNumT, class NamesT>
void generic_processor<MsgTypeT, HeaderT, SeqNumT, NamesT>::print_summary() {
    std::vector<records::type_count> counts;
    counts.reserve(counts_.size());
    for (const auto& [type, count] : counts_) {
        counts.push_back({std::string(NamesT::instance().describe(type)), count});
    }
    records_.summary(errors_, received_, lost_, socket_drops_, counts);
}

}  // namespace tarn
