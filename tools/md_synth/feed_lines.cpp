#include "feed_lines.hpp"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <limits>
#include <memory>
#include <numeric>
#include <span>
#include <stdexcept>
#include <string>

#include "random_source.hpp"

namespace tarn::synth {

namespace {

constexpr std::uint64_t loss_scale = 1'000'000;  // losses are drawn in millionths
constexpr std::uint64_t no_limit = std::numeric_limits<std::uint64_t>::max();

struct file_closer {
    void operator()(std::FILE* file) const {
        static_cast<void>(std::fclose(file));
    }  // only read back
};
using temporary_file = std::unique_ptr<std::FILE, file_closer>;

// A spilled datagram: its time, its line and its payload, as a record of
// the temporary file (time 8 bytes, line 1, size 2, then the payload).
struct spilled {
    std::uint64_t time_ns = 0;
    std::uint8_t line = 0;
    std::string payload;
};

void put(std::FILE* file, const void* bytes, std::size_t size) {
    if (std::fwrite(bytes, 1, size, file) != size) {
        throw std::runtime_error("cannot write a temporary file");
    }
}

void spill(std::FILE* file, const spilled& d) {
    const auto size = static_cast<std::uint16_t>(d.payload.size());
    put(file, &d.time_ns, sizeof d.time_ns);
    put(file, &d.line, sizeof d.line);
    put(file, &size, sizeof size);
    put(file, d.payload.data(), size);
}

bool unspill(std::FILE* file, spilled& d) {
    std::uint16_t size = 0;
    if (std::fread(&d.time_ns, sizeof d.time_ns, 1, file) != 1) {
        return false;
    }
    if (std::fread(&d.line, sizeof d.line, 1, file) != 1 ||
        std::fread(&size, sizeof size, 1, file) != 1) {
        throw std::runtime_error("cannot read a temporary file");
    }
    d.payload.resize(size);
    if (std::fread(d.payload.data(), 1, size, file) != size) {
        throw std::runtime_error("cannot read a temporary file");
    }
    return true;
}

// One channel's session put on its lines: each datagram is lost or delayed
// per line, and what the lines carry goes to the spill file in time order.
// Only the datagrams still within a line's delay are held.
class line_splitter {
  public:
    line_splitter(const session_settings& settings, const feed_layout& layout, unsigned channel,
                  std::FILE* file, channel_counts& counts)
        : layout_(layout),
          file_(file),
          counts_(counts),
          // Each line its own source, apart from the session's, so that
          // losing a datagram on one line says nothing of the other.
          random_{random_source(settings.seed * 0x9E3779B97F4A7C15ULL + 2ULL * channel + 1),
                  random_source(settings.seed * 0x9E3779B97F4A7C15ULL + 2ULL * channel + 2)} {}

    void take(const datagram& d) {
        const std::size_t lines = layout_.b_line ? 2 : 1;
        for (std::size_t l = 0; l < lines; ++l) {
            const line_faults& faults = layout_.faults.at(l);
            random_source& random = random_.at(l);
            if (random.between(0, loss_scale - 1) <
                static_cast<std::uint64_t>(faults.loss * loss_scale)) {
                ++counts_.lines.at(l).lost;
                continue;
            }
            const std::uint64_t delay =
                faults.delay_ns != 0 ? random.between(0, 2 * faults.delay_ns) : 0;
            last_.at(l) = std::max(last_.at(l), d.time_ns + delay);
            held_.at(l).push_back({last_.at(l), static_cast<std::uint8_t>(l), d.payload});
            ++counts_.lines.at(l).datagrams;
        }
        // Whatever comes later goes out at this time or after.
        release_until(d.time_ns);
    }

    void finish() { release_until(no_limit); }

  private:
    void release_until(std::uint64_t limit) {
        for (;;) {
            std::deque<spilled>* first = nullptr;
            for (auto& queue : held_) {
                if (!queue.empty() && queue.front().time_ns <= limit &&
                    (first == nullptr || queue.front().time_ns < first->front().time_ns)) {
                    first = &queue;
                }
            }
            if (first == nullptr) {
                return;
            }
            spill(file_, first->front());
            first->pop_front();
        }
    }

    const feed_layout& layout_;
    std::FILE* file_;
    channel_counts& counts_;
    std::array<random_source, 2> random_;
    std::array<std::uint64_t, 2> last_{};
    std::array<std::deque<spilled>, 2> held_;
};

}  // namespace

capture::udp_route line_route(const capture::udp_route& base, unsigned channel, line which) {
    capture::udp_route route = base;
    std::uint32_t group =
        std::accumulate(base.destination.begin(), base.destination.end(), std::uint32_t{0},
                        [](std::uint32_t high, std::uint8_t octet) { return high << 8U | octet; });
    group += 2 * channel + static_cast<std::uint32_t>(which);
    for (std::size_t i = 0; i < route.destination.size(); ++i) {
        route.destination.at(i) = static_cast<std::uint8_t>(group >> (24 - 8 * i));
    }
    route.destination_port = static_cast<std::uint16_t>(base.destination_port + channel);
    return route;
}

std::vector<channel_counts> write_feed(const session_settings& settings, const feed_layout& layout,
                                       const capture::udp_route& base,
                                       capture::capture_writer& writer) {
    std::vector<channel_counts> counts(layout.channels);
    std::vector<temporary_file> files;
    for (unsigned channel = 0; channel < layout.channels; ++channel) {
        files.emplace_back(std::tmpfile());
        if (!files.back()) {
            throw std::runtime_error("cannot open a temporary file");
        }
        session_settings session = settings;
        session.seed = settings.seed + channel;
        session.whole_messages = true;
        line_splitter splitter(settings, layout, channel, files.back().get(), counts[channel]);
        counts[channel].session =
            generate_session(session, [&](const datagram& d) { splitter.take(d); });
        splitter.finish();
        std::rewind(files.back().get());
    }

    // Merged by time; on a tie the lower channel first.
    std::vector<spilled> next(layout.channels);
    std::vector<bool> more(layout.channels);
    for (unsigned channel = 0; channel < layout.channels; ++channel) {
        more[channel] = unspill(files[channel].get(), next[channel]);
    }
    std::vector<std::array<std::uint16_t, 2>> ip_ids(layout.channels);
    for (;;) {
        std::size_t first = layout.channels;
        for (std::size_t channel = 0; channel < layout.channels; ++channel) {
            if (more[channel] &&
                (first == layout.channels || next[channel].time_ns < next[first].time_ns)) {
                first = channel;
            }
        }
        if (first == layout.channels) {
            return counts;
        }
        const spilled& d = next[first];
        const std::span<const std::uint8_t> payload(
            reinterpret_cast<const std::uint8_t*>(d.payload.data()), d.payload.size());
        writer.write(d.time_ns, capture::udp_frame(line_route(base, static_cast<unsigned>(first),
                                                              static_cast<line>(d.line)),
                                                   ++ip_ids[first].at(d.line), payload));
        more[first] = unspill(files[first].get(), next[first]);
    }
}

}  // namespace tarn::synth
