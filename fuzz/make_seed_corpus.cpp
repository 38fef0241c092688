// Writes the seed corpus of the fuzz targets: messages of every printable
// type built by md::message_builder, whole and cut short, split across
// datagrams, heartbeats, lengths of 0, below the header and above the receive
// buffer, sequence gaps and resends, typical command lines, and small
// captures of every link type read, two line streams for the arbitration, and
// captures of a feed's lines.
//
// Usage: make_seed_corpus OUTPUT_DIRECTORY
// Writes OUTPUT_DIRECTORY/{receive_loop,message_printer,command_line,capture,line_arbiter,
// feed_capture}/<name>.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "capture/udp_frame.hpp"
#include "capture_files.hpp"
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
    m.set("seqNum", seq_num).set("timestamp", std::uint64_t{1'700'000'000'123'456'789ULL});
    m.set("sourceTimestamp", std::uint64_t{86'399'999'999'999ULL})
        .set("version", std::uint16_t{1})
        .set("sessionId", std::uint16_t{7})
        .set("streamId", std::uint8_t{1});
    for (std::size_t at = tarn::md::body_offset; at < size; at += 7) {
        m.put<std::uint8_t>(at, static_cast<std::uint8_t>(at));
    }
    m.set("length", static_cast<std::uint16_t>(size));
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
    m.set("seqNum", seq_num).text(42, "XPAR", 4).put<std::uint8_t>(50, 3);
    return m;
}

class receive_loop_seeds {
  public:
    explicit receive_loop_seeds(fs::path folder) : folder_(std::move(folder)) {
        fs::create_directories(folder_);
    }

    // `json`: records in the JSON form; `statistics`: the receive loop keeps
    // interval statistics too.
    void add(const std::string& name, processor_choice choice,
             const std::vector<std::string>& datagrams, bool json = false,
             bool statistics = false) {
        constexpr int processor_choices = 5;
        std::string input(
            1, static_cast<char>(static_cast<int>(choice) + (json ? processor_choices : 0) +
                                 (statistics ? 2 * processor_choices : 0)));
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
        seeds.add("split_session_json_" + std::to_string(static_cast<int>(choice)), choice, split,
                  true);
    }

    // Messages shorter than their layout, and one below the header.
    std::string short_ones;
    for (const auto& entry : printable) {
        short_ones += sample(entry.type, entry.body->size - 1, 1);
    }
    seeds.add("shorter_than_layouts", processor_choice::full_display, {short_ones});
    seeds.add("shorter_than_layouts_json", processor_choice::full_display, {short_ones}, true);
    seeds.add("below_header", processor_choice::full_display,
              {sample(MsgType::OrderAdd, 10, 1) + bytes_of(end_of_session(2))});
    seeds.add("below_header_json", processor_choice::full_display,
              {sample(MsgType::OrderAdd, 10, 1) + bytes_of(end_of_session(2))}, true);

    // Heartbeats only, then an empty datagram.
    seeds.add("heartbeats", processor_choice::display_with_hb,
              {bytes_of(heartbeat()) + bytes_of(heartbeat()), bytes_of(heartbeat()), ""});

    // The ends of reception: length 0, a length above the receive buffer.
    seeds.add("length_zero", processor_choice::display,
              {with_length(sample(MsgType::OrderAdd, 72, 1), 0)});
    seeds.add("length_above_buffer", processor_choice::full_display,
              {with_length(sample(MsgType::News, 932, 1), 5000)});
    seeds.add("length_above_buffer_json", processor_choice::full_display,
              {with_length(sample(MsgType::News, 932, 1), 5000)}, true);

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
    seeds.add("progress_json", processor_choice::seq_check, {many, ""}, true);

    // A datagram longer than the receive buffer, then the next one.
    std::string long_one;
    for (std::uint32_t n = 1; n <= 70; ++n) {
        long_one += sample(MsgType::OrderAdd, 72, n);
    }
    seeds.add("cut_datagram", processor_choice::seq_check,
              {long_one, sample(MsgType::OrderAdd, 72, 71), bytes_of(end_of_session(72))});

    // Interval statistics over the session split above, as a header display.
    seeds.add("interval_statistics", processor_choice::display, split, false, true);
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

    // Text a JSON string must escape or map: quotes, controls, DEL, C1,
    // UTF-8, bytes outside UTF-8 and UTF-8 of the characters that stand for them.
    constexpr std::string_view hostile =
        "\"\\\x01\x1f\x7f\x80\xc2\x85\xc3\xa9\xef\x9e\x80\xff\xe2\x80\xa8\xf0";
    message_builder news(MsgType::News);
    news.set_text("title", hostile).set_text("text", hostile);
    write_file(folder / "hostile_text", keep_type + bytes_of(news));
    message_builder structure(MsgType::MarketStructure);
    structure.set_text("name", hostile);
    write_file(folder / "hostile_ztext", keep_type + bytes_of(structure));
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
        {"json_filters",
         {"--local-ip=1.2.3.4", "--multicast-group=g", "--port=1", "--json", "--only-type",
          "OrderAdd, 38,Trade", "--only-instrument", "7,4294967295"}},
        {"unknown_type", {"--local-ip=1.2.3.4", "--multicast-group=g", "--port=1", "--only-type="}},
        {"bad_instrument",
         {"--local-ip=1.2.3.4", "--multicast-group=g", "--port=1", "--only-instrument=-1"}},
        {"read_capture",
         {"--read-capture", "day.pcap", "--multicast-group", "239.1.1.1", "--write-capture", "-",
          "--log", "md.log"}},
        {"read_capture_local_ip", {"--read", "-", "--local-ip", "10.0.0.1", "--port", "1"}},
        {"write_capture",
         {"--interface", "lo", "--multicast-group", "g", "--port", "1", "--w", "x"}},
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

// Frames of datagrams from 192.0.2.1:31000 to group:port, a millisecond apart.
std::vector<tarn::testing::captured> frames_to(const std::string& group, std::uint16_t port,
                                               const std::vector<std::string>& datagrams) {
    const tarn::capture::udp_route route{{2, 0, 192, 0, 2, 1},
                                         tarn::capture::parse_ipv4("192.0.2.1"),
                                         31000,
                                         tarn::capture::parse_ipv4(group),
                                         port,
                                         1};
    std::vector<tarn::testing::captured> frames;
    std::uint64_t time = 1'772'438'400'000'000'000ULL;
    std::uint16_t ip_id = 0;
    for (const std::string& datagram : datagrams) {
        frames.push_back(
            {time, tarn::capture::udp_frame(
                       route, ++ip_id,
                       std::span(reinterpret_cast<const std::uint8_t*>(datagram.data()),
                                 datagram.size()))});
        time += 1'000'000;
    }
    return frames;
}

void write_capture_seeds(const fs::path& folder) {
    namespace t = tarn::testing;
    fs::create_directories(folder);
    // Settings bits: processor in the low three, then group, port, recording.
    constexpr std::uint8_t group_bit = 0x08;
    constexpr std::uint8_t port_bit = 0x10;
    constexpr std::uint8_t record_bit = 0x20;
    auto add = [&folder](const std::string& name, std::uint8_t settings, const std::string& file) {
        write_file(folder / name, std::string(1, static_cast<char>(settings)) + file);
    };

    // A short session: a message split across datagrams, a heartbeat, a gap,
    // a resend, an unknown type, the end.
    std::string session = sample(MsgType::OrderAdd, 72, 1) + bytes_of(heartbeat()) +
                          sample(MsgType::Trade, tarn::md::find_layout(MsgType::Trade)->size, 2) +
                          sample(MsgType::OrderCancel, 55, 5) +
                          sample(MsgType::OrderCancel, 55, 3) + sample(MsgType{999}, 61, 6) +
                          bytes_of(end_of_session(7));
    const std::vector<std::string> datagrams{session.substr(0, 100), session.substr(100, 150),
                                             session.substr(250)};
    const auto frames = frames_to("239.255.0.1", 31000, datagrams);

    const std::vector<std::pair<std::string, std::uint16_t>> links{
        {"ethernet", t::link_ethernet}, {"sll", t::link_linux_sll}, {"sll2", t::link_linux_sll2},
        {"raw", t::link_raw},           {"ipv4", t::link_ipv4},     {"null", t::link_null}};
    std::uint8_t processor = 0;
    for (const auto& [name, link] : links) {
        auto linked = frames;
        for (auto& frame : linked) {
            frame.bytes = t::as_link(link, frame.bytes, false);
        }
        add("session_" + name, processor, t::pcap_file(link, linked));
        add("session_" + name + "_pcapng", static_cast<std::uint8_t>(processor | record_bit),
            t::pcapng_file(link, linked));
        processor = static_cast<std::uint8_t>((processor + 1) % 5);
    }
    auto tagged = frames;
    for (auto& frame : tagged) {
        frame.bytes = t::as_link(t::link_ethernet, frame.bytes, true);
    }
    add("session_vlan", 2 | group_bit | port_bit, t::pcap_file(t::link_ethernet, tagged));

    // Two destinations; fragments, a cut frame and ARP among the datagrams.
    auto mixed = frames;
    const auto other = frames_to("239.255.0.2", 31001, {datagrams[1]});
    mixed.insert(mixed.begin() + 1, other.front());
    add("two_destinations", 0, t::pcap_file(t::link_ethernet, mixed));
    add("two_destinations_selected", 3 | group_bit, t::pcap_file(t::link_ethernet, mixed));
    auto pieces = frames;
    auto fragment = frames.front();
    fragment.bytes[14 + 6] = 0x20;
    auto cut = frames.back();
    cut.wire_length = cut.bytes.size();
    cut.bytes.resize(50);
    auto arp = frames.front();
    arp.bytes[12] = 0x08;
    arp.bytes[13] = 0x06;
    pieces.insert(pieces.begin() + 1, {fragment, cut, arp});
    add("fragments_cut_arp", 4 | group_bit | record_bit, t::pcap_file(t::link_ethernet, pieces));

    // Damaged within a record; no frame at all.
    const std::string whole = t::pcap_file(t::link_ethernet, frames);
    add("damaged", 2, whole.substr(0, whole.size() - 20));
    add("empty", 1, t::pcap_file(t::link_ethernet, {}));
}

// Two line streams for the arbitration target, in its step format: B a few
// copies behind A, holes on either line that the other fills, holes on
// both, a silent line, a restart and the wrap at 2^32.
class line_arbiter_seeds {
  public:
    // A copy on `line` of the number `step` after the line's last, `time`
    // hundreds of nanoseconds after the previous step, 4 + `length` bytes.
    line_arbiter_seeds& copy(unsigned line, int step, int time = 10, unsigned length = 38) {
        return add(line, 0, step, time, length);
    }
    line_arbiter_seeds& zero(unsigned line) { return add(line, 6, 0, 10, 38); }
    line_arbiter_seeds& wait(int time) { return add(0, 7, 0, time, 0); }
    // The same feed on both lines from the line's next number on, B `lag`
    // copies behind A; A skips every `a_skips`-th number, B every
    // `b_skips`-th (0: none).
    line_arbiter_seeds& feed(unsigned count, unsigned lag, unsigned a_skips, unsigned b_skips) {
        const auto stream = [&](unsigned line, unsigned n, unsigned skips) {
            const bool skipped = skips != 0 && n % skips == skips - 1;
            if (skips != 0 && n % skips == 0 && n != 0) {
                copy(line, 2);
            } else if (!skipped) {
                copy(line, 1);
            }
        };
        for (unsigned n = 0; n < count + lag; ++n) {
            if (n < count) {
                stream(0, n, a_skips);
            }
            if (n >= lag) {
                stream(1, n - lag, b_skips);
            }
        }
        return *this;
    }
    std::string bytes(std::uint8_t first_number) const {
        // 64 slots, 512 bytes, a 20 µs window, a silence limit of 11 µs.
        return std::string{'\x05', '\x40', '\x50', '\x0a', static_cast<char>(first_number)} +
               steps_;
    }

  private:
    line_arbiter_seeds& add(unsigned line, unsigned kind, int step, int time, unsigned length) {
        steps_ += static_cast<char>(line | kind << 1U);
        steps_ += static_cast<char>(static_cast<std::int8_t>(step));
        steps_ += static_cast<char>(static_cast<std::int8_t>(time));
        steps_ += static_cast<char>(length);
        return *this;
    }
    std::string steps_;
};

void write_line_arbiter_seeds(const fs::path& folder) {
    fs::create_directories(folder);
    constexpr std::uint8_t from_one = 0;
    constexpr std::uint8_t near_wrap = 1;
    write_file(folder / "b_behind", line_arbiter_seeds().feed(60, 3, 0, 0).bytes(from_one));
    write_file(folder / "holes_on_a", line_arbiter_seeds().feed(60, 3, 7, 0).bytes(from_one));
    write_file(folder / "holes_on_b", line_arbiter_seeds().feed(60, 2, 0, 5).bytes(from_one));
    write_file(folder / "holes_on_both", line_arbiter_seeds().feed(60, 1, 6, 3).bytes(from_one));
    write_file(folder / "wrap", line_arbiter_seeds().feed(40, 2, 9, 0).bytes(near_wrap));
    write_file(folder / "silent_b", line_arbiter_seeds()
                                        .feed(20, 2, 0, 0)
                                        .copy(0, 1)
                                        .wait(60)
                                        .wait(60)
                                        .copy(0, 2)
                                        .copy(0, 1)
                                        .copy(1, 5)
                                        .bytes(from_one));
    write_file(folder / "restart", line_arbiter_seeds()
                                       .feed(20, 2, 0, 0)
                                       .zero(0)
                                       .copy(0, 1)
                                       .copy(1, 1)
                                       .zero(1)
                                       .copy(1, 1)
                                       .copy(0, 1)
                                       .bytes(from_one));
    write_file(folder / "full_store", line_arbiter_seeds()
                                          .copy(0, 1)
                                          .copy(0, 2, 1, 200)
                                          .copy(0, 1, 1, 200)
                                          .copy(0, 1, 1, 200)
                                          .copy(1, 2)
                                          .bytes(from_one));
}

// Captures of a feed: two lines interleaved, a third destination, fragments
// and a cut frame among them; damage; no datagram to a declared line.
void write_feed_capture_seeds(const fs::path& folder) {
    namespace t = tarn::testing;
    fs::create_directories(folder);
    // Settings bits: every destination, then the two declared lines.
    constexpr std::uint8_t every = 1;
    constexpr std::uint8_t both_lines = 6;
    auto add = [&folder](const std::string& name, std::uint8_t settings, const std::string& file) {
        write_file(folder / name, std::string(1, static_cast<char>(settings)) + file);
    };
    std::string session;
    for (std::uint32_t n = 1; n <= 6; ++n) {
        session += sample(MsgType::OrderAdd, 72, n);
    }
    session += bytes_of(end_of_session(7));
    const std::vector<std::string> datagrams{session.substr(0, 144), session.substr(144, 216),
                                             session.substr(360)};
    const auto a = frames_to("239.255.0.1", 31000, datagrams);
    const auto b = frames_to("239.255.0.2", 31001, datagrams);
    const auto other = frames_to("239.255.0.3", 31000, {datagrams[1]});
    std::vector<t::captured> feed{a[0], b[0], a[1], other[0], a[2], b[1], b[2]};
    add("two_lines", both_lines, t::pcap_file(t::link_ethernet, feed));
    add("two_lines_pcapng", both_lines | every, t::pcapng_file(t::link_ethernet, feed));
    add("every_destination", every, t::pcap_file(t::link_ethernet, feed));
    auto fragment = a[1];
    fragment.bytes[14 + 6] = 0x20;
    auto cut = b[1];
    cut.wire_length = cut.bytes.size();
    cut.bytes.resize(50);
    auto pieces = feed;
    pieces.insert(pieces.begin() + 2, {fragment, cut});
    add("fragments_cut", 2, t::pcap_file(t::link_ethernet, pieces));
    const std::string whole = t::pcap_file(t::link_ethernet, feed);
    add("damaged", both_lines, whole.substr(0, whole.size() - 20));
    add("no_declared_line", 4, t::pcap_file(t::link_ethernet, {a[0], other[0]}));
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
    write_capture_seeds(output / "capture");
    write_line_arbiter_seeds(output / "line_arbiter");
    write_feed_capture_seeds(output / "feed_capture");
    return 0;
}
