// Writes the seed corpus of the three fuzz targets: messages of every
// printable type built by md::message_builder, whole and cut short, split
// across datagrams, heartbeats, lengths of 0, below the header and above the
// receive buffer, sequence gaps and resends, and typical command lines.
//
// Usage: make_seed_corpus OUTPUT_DIRECTORY
// Writes OUTPUT_DIRECTORY/{receive_loop,message_printer,command_line}/<name>.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "datagram_framing.hpp"
#include "md/catalogue.hpp"
#include "md/enum_to_description.hpp"
#include "md/message_builder.hpp"

namespace {

namespace fs = std::filesystem;
using tarn::md::message_builder;
using tarn::md::MsgType;

// The processor choices of the receive-loop target.
enum class processor_choice : std::uint8_t {
    display,
    display_with_hb,
    full_display,
    full_display_with_hb,
    seq_check
};

void write_file(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string bytes_of(const message_builder& m) { return std::string(m.view()); }

// The first `size` bytes of a message of type `type` whose length says
// `size`, with a full header and some non-zero bytes in its body.
std::string sample(MsgType type, std::size_t size, std::uint32_t seq_num) {
    message_builder m(type, std::max(size, sizeof(tarn::md::Header)));
    m.seq_num(seq_num).timestamp(1'700'000'000'123'456'789ULL);
    m.source_timestamp(86'399'999'999'999ULL).version(1).session_id(7).stream_id(1);
    for (std::size_t at = tarn::md::body_offset; at < size; at += 7) {
        m.put<std::uint8_t>(at, static_cast<std::uint8_t>(at));
    }
    m.length(static_cast<std::uint16_t>(size));
    return std::string(m.view().substr(0, size));
}

// The message with another value in its length field.
std::string with_length(std::string message, std::uint16_t length) {
    message[0] = static_cast<char>(length & 0xFFU);
    message[1] = static_cast<char>(length >> 8U);
    return message;
}

message_builder heartbeat() { return {MsgType::Heartbeat, sizeof(tarn::md::Header)}; }

message_builder end_of_session(std::uint32_t seq_num) {
    message_builder m(MsgType::TradingSessionStatus, 55);
    m.seq_num(seq_num).text(42, "XPAR", 4).put<std::uint8_t>(50, 3);
    return m;
}

class receive_loop_seeds {
  public:
    explicit receive_loop_seeds(fs::path folder) : folder_(std::move(folder)) {
        fs::create_directories(folder_);
    }

    // With `statistics`, the receive loop keeps interval statistics too.
    void add(const std::string& name, processor_choice choice,
             const std::vector<std::string>& datagrams, bool statistics = false) {
        constexpr int with_statistics = 5;
        std::string input(
            1, static_cast<char>(static_cast<int>(choice) + (statistics ? with_statistics : 0)));
        input += tarn::fuzz::join_datagrams(datagrams);
        write_file(folder_ / name, input);
    }

  private:
    fs::path folder_;
};

void write_receive_loop_seeds(const fs::path& folder) {
    receive_loop_seeds seeds(folder);
    const auto printable = tarn::md::printable_messages();
    constexpr processor_choice all_choices[] = {
        processor_choice::display, processor_choice::display_with_hb,
        processor_choice::full_display, processor_choice::full_display_with_hb,
        processor_choice::seq_check};

    // Every type whole, in full display, between heartbeats, then the end.
    for (const auto& entry : printable) {
        const std::string name(tarn::md::enum_to_description::instance().describe(entry.type));
        seeds.add("type_" + name, processor_choice::full_display_with_hb,
                  {bytes_of(heartbeat()) + sample(entry.type, entry.body->size, 1) +
                   bytes_of(heartbeat()) + bytes_of(end_of_session(2))});
    }

    // A session of a few types split across datagrams at awkward points, a
    // gap, a resend, one odd-length message, for every processor.
    std::string session;
    std::uint32_t seq = 1;
    for (const MsgType type : {MsgType::OrderAdd, MsgType::Trade, MsgType::News,
                               MsgType::PriceLevelSnapshot, MsgType::IndexParams}) {
        session += sample(type, tarn::md::find_layout(type)->size, seq++);
        session += bytes_of(heartbeat());
    }
    session += sample(MsgType::OrderCancel, 55, seq + 3);  // a gap of 3
    session += sample(MsgType::OrderCancel, 55, seq);      // a resend
    session += sample(MsgType{999}, 61, seq + 4);          // unknown, odd length
    session += bytes_of(end_of_session(seq + 5));
    const std::vector<std::string> split = {session.substr(0, 1), session.substr(1, 99),
                                            session.substr(100, 1300), session.substr(1400)};
    for (const processor_choice choice : all_choices) {
        seeds.add("split_session_" + std::to_string(static_cast<int>(choice)), choice, split);
    }

    // Messages shorter than their layout, and one below the header.
    std::string short_ones;
    for (const auto& entry : printable) {
        short_ones += sample(entry.type, entry.body->size - 1, 1);
    }
    seeds.add("shorter_than_layouts", processor_choice::full_display, {short_ones});
    seeds.add("below_header", processor_choice::full_display,
              {sample(MsgType::OrderAdd, 10, 1) + bytes_of(end_of_session(2))});

    // Heartbeats only, then an empty datagram.
    seeds.add("heartbeats", processor_choice::display_with_hb,
              {bytes_of(heartbeat()) + bytes_of(heartbeat()), bytes_of(heartbeat()), ""});

    // The ends of reception: length 0, a length above the receive buffer.
    seeds.add("length_zero", processor_choice::display,
              {with_length(sample(MsgType::OrderAdd, 72, 1), 0)});
    seeds.add("length_above_buffer", processor_choice::full_display,
              {with_length(sample(MsgType::News, 932, 1), 5000)});

    // A message carried over a datagram by its first length byte alone.
    const std::string order = sample(MsgType::OrderAdd, 72, 1);
    seeds.add("one_byte_carry", processor_choice::seq_check,
              {order + order.substr(0, 1), order.substr(1), bytes_of(end_of_session(2))});

    // Enough messages for progress records in sequence checking.
    std::string many;
    for (std::uint32_t n = 1; n <= 25; ++n) {
        many += sample(MsgType::OrderAdd, 72, n);
    }
    seeds.add("progress", processor_choice::seq_check, {many, ""});

    // A datagram longer than the receive buffer, then the next one.
    std::string long_one;
    for (std::uint32_t n = 1; n <= 70; ++n) {
        long_one += sample(MsgType::OrderAdd, 72, n);
    }
    seeds.add("cut_datagram", processor_choice::seq_check,
              {long_one, sample(MsgType::OrderAdd, 72, 71), bytes_of(end_of_session(72))});

    // Interval statistics over the session split above, as a header display.
    seeds.add("interval_statistics", processor_choice::display, split, true);
}

void write_message_printer_seeds(const fs::path& folder) {
    fs::create_directories(folder);
    const auto printable = tarn::md::printable_messages();
    for (std::size_t i = 0; i < printable.size(); ++i) {
        const auto& entry = printable[i];
        const std::string name(tarn::md::enum_to_description::instance().describe(entry.type));
        std::string selector;
        selector += static_cast<char>(i & 0xFFU);
        selector += static_cast<char>(i >> 8U);
        write_file(folder / name, selector + sample(entry.type, entry.body->size, 1));
        write_file(folder / (name + "_short"),
                   selector + sample(entry.type, entry.body->size - 1, 1));
    }
    std::string keep_type;
    keep_type += static_cast<char>(printable.size() & 0xFFU);
    keep_type += static_cast<char>(printable.size() >> 8U);
    write_file(folder / "unknown_type", keep_type + sample(MsgType{999}, 60, 1));
    write_file(folder / "heartbeat", keep_type + bytes_of(heartbeat()));
    write_file(folder / "end_of_session", keep_type + bytes_of(end_of_session(1)));
    write_file(folder / "below_header", keep_type + std::string(41, '\x01'));
}

void write_command_line_seeds(const fs::path& folder) {
    fs::create_directories(folder);
    const std::vector<std::pair<std::string, std::vector<std::string>>> command_lines = {
        {"none", {}},
        {"help", {"--help", "--port", "1"}},
        {"version", {"--version"}},
        {"local_ip",
         {"--local-ip", "10.0.0.1", "--multicast-group", "239.1.1.1", "--port", "5000"}},
        {"interface", {"--interface", "lo", "--multicast-group=239.1.1.1", "--port=0"}},
        {"full_dump_hb_log",
         {"--local-ip", "127.0.0.1", "--multicast-group", "239.1.1.1", "--port", "65535",
          "--full-dump", "--hb", "--log", "md.log"}},
        {"check_every",
         {"--local-ip=1.2.3.4", "--multicast-group=g", "--port=1", "--check", "--every", "10"}},
        {"every_refused", {"--local-ip=1.2.3.4", "--multicast-group=g", "--port=1", "--every=9"}},
        {"every_huge",
         {"--local-ip=1.2.3.4", "--multicast-group=g", "--port=1", "--every=18446744073709551615"}},
        {"port_wraps", {"--local-ip", "a", "--multicast-group", "g", "--port=-1"}},
        {"port_too_big", {"--local-ip", "a", "--multicast-group", "g", "--port", "65536"}},
        {"ambiguous", {"--h"}},
        {"unknown", {"--bogus", "-x", "positional"}},
        {"missing_group", {"--local-ip", "a", "--port", "1"}},
        {"empty_local_ip", {"--local-ip", "", "--interface", "lo"}},
        {"twice", {"--port", "1", "--port", "2"}},
    };
    for (const auto& [name, arguments] : command_lines) {
        std::string input;
        for (const std::string& argument : arguments) {
            input += argument;
            input += '\0';
        }
        write_file(folder / name, input);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_seed_corpus OUTPUT_DIRECTORY\n";
        return 2;
    }
    const fs::path output(argv[1]);
    write_receive_loop_seeds(output / "receive_loop");
    write_message_printer_seeds(output / "message_printer");
    write_command_line_seeds(output / "command_line");
    return 0;
}
