// md_loss_probe: the receiving end of the loss benchmark without md_dump's
// processing. It opens, binds and joins its socket exactly as md_dump does
// (Boost.Asio, reuse_address, bound to group and port, joined on 127.0.0.1,
// the default receive buffer), cuts each datagram into messages and checks
// their sequence numbers. With --write-per-record it also writes one line per
// message, of the length of a header text and formatted in advance, through
// the logger md_dump uses with --log: the cost of a write per record alone.
//
// It ends at an EndOfTechnicalSession status and writes md_dump's summary
// records ("N messages received", "N messages lost") into its log.

#include <spdlog/logger.h>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/multicast.hpp>
#include <boost/asio/ip/udp.hpp>
#include <boost/program_options.hpp>

#include <array>
#include <cstdint>
#include <iostream>
#include <string>

#include "app/logging.hpp"
#include "bench/session.hpp"
#include "md/header.hpp"
#include "md/layout_printer.hpp"
#include "processing/grouped_count.hpp"
#include "processing/logger.hpp"

namespace {

namespace po = boost::program_options;
namespace ip = boost::asio::ip;

struct probe_settings {
    std::string group;
    std::uint16_t port = 0;
    std::string log;
    bool write_per_record = false;
};

probe_settings read_settings(int argc, char** argv) {
    probe_settings settings;
    po::options_description description("md_loss_probe options");
    description.add_options()("help", "this text")("group", po::value(&settings.group)->required(),
                                                   "multicast group")(
        "port", po::value(&settings.port)->required(), "port")(
        "log", po::value(&settings.log)->required(), "log file, appended to")(
        "write-per-record", po::bool_switch(&settings.write_per_record),
        "write one line per message, as a header display would");
    po::variables_map options;
    po::store(po::parse_command_line(argc, argv, description), options);
    if (options.count("help") != 0) {
        std::cout << description << '\n';
        std::exit(0);  // NOLINT(concurrency-mt-unsafe): one thread
    }
    po::notify(options);
    return settings;
}

// The header text of a typical OrderAdd: the line written per message.
std::string typical_line() {
    tarn::bench::random_numbers random(1);
    const auto message = tarn::bench::sample_message(tarn::md::MsgType::OrderAdd, random,
                                                     123'456'789, 1'718'010'000'123'456'789);
    tarn::md::text_stream out;
    tarn::md::write_header(out, tarn::md::byte_view(message.view().data(), message.view().size()));
    return std::string(out.view());
}

// The sequence check of md_dump's receive loop, counting only.
struct sequence_counts {
    std::uint32_t expected = 0;
    std::uint64_t received = 0;
    std::uint64_t lost = 0;

    void check(std::uint32_t seq_num) {
        ++received;
        if (expected == 0 || seq_num == 0 || seq_num == expected) {
            expected = seq_num + 1;
        } else if (seq_num > expected) {
            lost += seq_num - expected;
            expected = seq_num + 1;
        }
    }
};

bool ends_session(const tarn::md::byte_view& message) {
    constexpr std::size_t event_offset = 50;
    constexpr std::uint8_t end_of_technical_session = 3;
    return message.load<tarn::md::MsgType>(tarn::md::msg_type_offset) ==
               tarn::md::MsgType::TradingSessionStatus &&
           message.holds(event_offset + 1) &&
           message.load<std::uint8_t>(event_offset) == end_of_technical_session;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const probe_settings settings = read_settings(argc, argv);
        tarn::set_up_logger(settings.log);
        const auto& logger = tarn::get_logger();
        const std::string line = typical_line();

        boost::asio::io_context io_context;
        const ip::address group = ip::make_address(settings.group);
        ip::udp::endpoint endpoint(group, settings.port);
        ip::udp::socket socket(io_context);
        socket.open(endpoint.protocol());
        socket.set_option(ip::udp::socket::reuse_address(true));
        socket.bind(endpoint);
        socket.set_option(
            ip::multicast::join_group(group.to_v4(), ip::make_address_v4("127.0.0.1")));

        std::array<char, 4096> buffer{};
        sequence_counts counts;
        for (bool ended = false; !ended;) {
            const std::size_t size = socket.receive_from(boost::asio::buffer(buffer), endpoint);
            if (size == 0) {
                break;
            }
            // The sender never splits a message between datagrams.
            for (std::size_t at = 0; !ended && size - at >= tarn::md::header_layout.size;) {
                const tarn::md::byte_view message(buffer.data() + at, size - at);
                const auto length = message.load<std::uint16_t>(tarn::md::length_offset);
                if (length < tarn::md::header_layout.size || length > size - at) {
                    break;
                }
                if (message.load<tarn::md::MsgType>(tarn::md::msg_type_offset) !=
                    tarn::md::MsgType::Heartbeat) {
                    counts.check(message.load<std::uint32_t>(tarn::md::seq_num_offset));
                    if (settings.write_per_record) {
                        logger->log(spdlog::level::info, spdlog::string_view_t(line));
                    }
                    ended = ends_session(message);
                }
                at += length;
            }
        }
        logger->info("{} messages received", tarn::grouped_count{counts.received});
        if (counts.lost != 0) {
            logger->warn("{} messages lost", tarn::grouped_count{counts.lost});
        }
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "md_loss_probe: " << error.what() << '\n';
        return 1;
    }
}
