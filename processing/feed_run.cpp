#include "processing/feed_run.hpp"

#include <spdlog/common.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <numeric>
#include <optional>
#include <utility>

#include "md/enum_to_description.hpp"
#include "processing/interval_statistics.hpp"
#include "processing/receive_loop.hpp"
#include "processing/run_publication.hpp"
#include "processing/stop_request.hpp"

namespace tarn {

namespace {

constexpr std::uint64_t tick_ns = 1'000'000;  // how often datagram time reaches every channel

char name_of(line_id line) { return line == line_id::a ? 'A' : 'B'; }

std::string_view cause_text(loss_cause cause) {
    switch (cause) {
        case loss_cause::both_lines:
            return "missing on both lines";
        case loss_cause::window:
            return "not filled within the arbitration window";
        case loss_cause::store_full:
            return "dropped from the full hold store";
        case loss_cause::run_end:
            return "left open when the numbering restarted or the run ended";
    }
    return "lost";
}

}  // namespace

// One channel: its processor and, with two lines, their arbiter, whose
// events reach the processor and the records here.
class feed_run::channel final : public arbiter_sink {
  public:
    // The socket drops of one channel's lines, for its interval statistics,
    // which ask a source for them.
    class channel_drops final : public datagram_source {
      public:
        void watch(feed_datagram_source* source) noexcept { source_ = source; }
        void add_line(std::size_t index) { lines_.push_back(index); }

        std::optional<datagram> next() override { return std::nullopt; }
        std::uint64_t dropped() override {
            if (source_ == nullptr) {
                return 0;
            }
            return std::accumulate(lines_.begin(), lines_.end(), std::uint64_t{0},
                                   [this](std::uint64_t total, std::size_t index) {
                                       return total + source_->dropped(index);
                                   });
        }

      private:
        feed_datagram_source* source_ = nullptr;
        std::vector<std::size_t> lines_;
    };

    channel(std::string name, std::unique_ptr<md::processor> made, std::size_t line_count,
            const feed_settings& settings, std::size_t index)
        : name_(std::move(name)),
          processor_(std::move(made)),
          records_(settings.form),
          index_(index) {
        records_.set_source(name_);
        if (line_count == 2) {
            arbiter_.emplace(settings.arbitration);
        }
        if (settings.stats_interval.count() > 0) {
            statistics_.emplace(settings.stats_interval, records_);
            statistics_->attach(*processor_, drops_);
        }
    }

    const std::string& name() const noexcept { return name_; }
    // Its place among the run's channels, and in the figures it publishes.
    std::size_t index() const noexcept { return index_; }
    md::processor& processor() noexcept { return *processor_; }
    line_arbiter* arbiter() noexcept { return arbiter_ ? &*arbiter_ : nullptr; }
    interval_statistics* statistics() noexcept { return statistics_ ? &*statistics_ : nullptr; }
    channel_drops& drops() noexcept { return drops_; }
    std::vector<line*>& lines() noexcept { return lines_; }
    bool ended() const noexcept { return ended_; }
    void end() noexcept { ended_ = true; }

    // The records written from now on carry `time_ns`, or the clock's.
    void set_time(std::optional<std::uint64_t> time_ns) noexcept {
        processor_->records_.set_time(time_ns);
        records_.set_time(time_ns);
    }
    // Datagram time has reached `time_ns`.
    void advance(std::uint64_t time_ns) {
        if (arbiter_ && !ended_) {
            arbiter_->advance(time_ns, *this);
        }
        if (statistics_) {
            statistics_->on_idle(time_ns);
        }
    }

    void deliver(line_id from, std::uint32_t seq_num, md::byte_view message) override {
        md::processor& p = *processor_;
        if (p.finished_) {
            return;
        }
        p.records_.set_source(name_, name_of(from));
        p.set_current(message, message.load<md::MsgType>(md::msg_type_offset));
        if (statistics_) {
            statistics_->on_message(message.load<std::uint64_t>(offsetof(md::Header, timestamp)));
        }
        ++p.received_;
        p.expected_seq_num_ = seq_num + 1;
        p.process();
        if (!p.finished_) {
            p.check_finished();
        }
    }
    void lost(std::uint32_t first, std::uint32_t count, loss_cause cause) override {
        md::processor& p = *processor_;
        if (p.finished_) {
            return;
        }
        p.records_.set_source(name_);
        p.records_.arbitrated_gap(first, count, cause_text(cause));
        p.lost_ += count;
        ++p.gaps_;
        p.errors_ = true;
    }
    void resend(line_id on, std::uint32_t seq_num, std::uint32_t expected) override {
        md::processor& p = *processor_;
        p.records_.set_source(name_, name_of(on));
        p.records_.resend(seq_num, expected);
        p.errors_ = true;
    }
    void line_silent(line_id line) override {
        processor_->records_.set_source(name_, name_of(line));
        processor_->records_.line_silent(name_of(line));
    }
    void line_back(line_id line) override {
        processor_->records_.set_source(name_, name_of(line));
        processor_->records_.line_back(name_of(line));
    }
    void restart(line_id line) override {
        processor_->records_.set_source(name_, name_of(line));
        processor_->records_.numbering_restart(name_of(line));
    }

  private:
    std::string name_;
    std::unique_ptr<md::processor> processor_;
    records::writer records_;  // the channel's own records: its interval figures
    std::optional<line_arbiter> arbiter_;
    channel_drops drops_;
    std::optional<interval_statistics> statistics_;
    std::vector<line*> lines_;
    std::size_t index_;
    bool ended_ = false;
};

// One line: its framing, and what is counted of it alone.
struct feed_run::line {
    line(channel& of, line_id id)
        : framer(of.processor(), of.statistics()), owner(&of), name(name_of(id)) {
        if (of.arbiter() != nullptr) {
            framer.arbitrate(*of.arbiter(), of, id);
        }
    }

    message_framer framer;  // which also counts the line's datagrams
    channel* owner;
    char name;
    bool ended = false;
    std::size_t index = 0;  // in the source
    std::uint64_t socket_drops = 0;
};

feed_run::feed_run(std::vector<feed_channel> channels, processor_maker make,
                   const feed_settings& settings)
    : settings_(settings), make_(std::move(make)), records_(settings.form) {
    for (feed_channel& declared : channels) {
        add_channel(std::move(declared));
    }
}

feed_run::~feed_run() = default;

void feed_run::add_channel(feed_channel declared) {
    auto made = std::make_unique<channel>(std::move(declared.name), make_(), declared.lines.size(),
                                          settings_, channels_.size());
    published_channel& figures = published_.channels.emplace_back();
    figures.name = made->name();

    for (std::size_t i = 0; i < declared.lines.size(); ++i) {
        figures.lines.emplace_back().name.assign(1, i == 0 ? 'A' : 'B');
    }
    made->drops().watch(source_);
    for (std::size_t i = 0; i < declared.lines.size(); ++i) {
        auto added = std::make_unique<line>(*made, i == 0 ? line_id::a : line_id::b);
        added->index = lines_.size();
        made->drops().add_line(added->index);
        made->lines().push_back(added.get());
        lines_.push_back(std::move(added));
    }
    if (settings_.captured) {
        made->set_time(std::nullopt);
    }
    channels_.push_back(std::move(made));
    ++channels_open_;
}

feed_run::line* feed_run::line_of(const datagram& received, const feed_datagram_source& source) {
    const std::size_t index = received.line_index;
    if (index >= lines_.size()) {
        // Lines are found in order: this is the next one.
        if (channels_.size() >= settings_.most_channels || index != lines_.size()) {
            ++beyond_limit_;
            return nullptr;
        }
        add_channel({text_of(source.destination(index)), {source.destination(index)}});
        if (channels_.back()->statistics() != nullptr && next_tick_ns_ != 0) {
            channels_.back()->statistics()->on_idle(received.time_ns);
        }
    }
    line* found = lines_[index].get();
    return found->ended || found->owner->ended() ? nullptr : found;
}

void feed_run::tick(std::uint64_t time_ns) {
    for (const auto& each : channels_) {
        if (settings_.captured) {
            each->set_time(time_ns);
        }
        each->advance(time_ns);
    }
    next_tick_ns_ = time_ns + tick_ns;
    if (publisher_ != nullptr && time_ns >= next_publish_ns_) {
        publish(time_ns);
    }
}

void feed_run::end_line(line& ended) {
    ended.ended = true;
    channel& owner = *ended.owner;
    const bool all_ended = std::all_of(owner.lines().begin(), owner.lines().end(),
                                       [](const line* l) { return l->ended; });
    if ((all_ended || owner.processor().finished_) && !owner.ended()) {
        owner.end();
        --channels_open_;
    }
}

void feed_run::on_datagram(const datagram& received, line& on) {
    channel& owner = *on.owner;
    md::processor& processor = owner.processor();
    if (received.time_ns >= next_tick_ns_) {
        tick(received.time_ns);
    }
    if (settings_.captured) {
        owner.set_time(received.time_ns);
    }
    if (owner.statistics() != nullptr) {
        owner.statistics()->on_datagram(received.time_ns,
                                        std::max(received.wire_size, received.bytes.size()));
    }
    line_counters& counts = on.framer.counts();
    ++counts.datagrams;
    counts.bytes += std::max(received.wire_size, received.bytes.size());
    processor.records_.set_source(owner.name(), on.name);
    on.framer.set_time(received.time_ns);
    if (received.bytes.empty() || processor.finished_) {
        end_line(on);
        return;
    }
    // The latency of a datagram, from its first message, for every message
    // it brought: published, so only counted with a publisher.
    std::optional<std::uint64_t> first_sent;
    const std::uint64_t delivered_before = processor.received_;
    if (publisher_ != nullptr) {
        first_sent = on.framer.first_timestamp(received.bytes);
    }
    const bool going_on = frame_datagram(on.framer, processor, received);
    if (publisher_ != nullptr) {
        published_channel& figures = published_.channels[owner.index()];
        figures.last_message_time_ns = received.time_ns;
        if (first_sent && processor.received_ != delivered_before) {
            figures.latency.record(static_cast<std::int64_t>(received.time_ns - *first_sent),
                                   processor.received_ - delivered_before);
        }
    }
    if (!going_on) {
        if (processor.finished_) {
            end_line(on);
        } else {
            // A length of 0 or one the buffer cannot hold (reported): the
            // line's framing is lost, most likely with a datagram that held
            // the rest of a message. It starts again at the next datagram.
            on.framer.drop_incomplete();
        }
    }
}

void feed_run::receive(feed_datagram_source& source, datagram_recorder* recorder,
                       figures_publisher* publisher, std::uint64_t receive_buffer) {
    source_ = &source;
    publisher_ = publisher;
    receive_buffer_ = receive_buffer;
    for (const auto& each : channels_) {
        each->drops().watch(&source);
    }
    std::chrono::nanoseconds period = std::chrono::milliseconds(10);
    if (!channels_.empty() && channels_.front()->statistics() != nullptr) {
        period = std::min(period, channels_.front()->statistics()->wake_up_period());
    }
    if (source.wake_up_every(period)) {
        for (const auto& each : channels_) {
            if (each->statistics() != nullptr) {
                each->statistics()->start_now();
            }
        }
    }
    while (!stop_requested() && (channels_open_ != 0 || settings_.every_destination)) {
        const std::optional<datagram> received = source.next();
        if (!received) {
            break;
        }
        if (received->idle) {
            tick(received->time_ns);
            continue;
        }
        if (recorder != nullptr) {
            recorder->record(*received, source.destination(received->line_index));
        }
        if (line* on = line_of(*received, source); on != nullptr) {
            on_datagram(*received, *on);
        }
    }
    finish(source);
}

void feed_run::finish(feed_datagram_source& source) {
    for (const auto& each : channels_) {
        md::processor& processor = each->processor();
        if (each->arbiter() != nullptr && !processor.finished_) {
            each->arbiter()->finish(*each);
        }
        processor.socket_drops_ = 0;
        for (line* l : each->lines()) {
            l->socket_drops = source.dropped(l->index);
            processor.socket_drops_ += l->socket_drops;
        }
        if (processor.socket_drops_ != 0) {
            processor.errors_ = true;
        }
        if (each->statistics() != nullptr) {
            each->statistics()->finish();
        }
        each->set_time(std::nullopt);
        processor.records_.set_source(each->name());
    }
    if (beyond_limit_ != 0) {
        records_.destinations_beyond_limit(beyond_limit_, settings_.most_channels);
        errors_ = true;
    }
    if (publisher_ != nullptr) {
        publish(next_tick_ns_);
    }
}

void feed_run::publish(std::uint64_t time_ns) {
    for (const auto& each : channels_) {
        published_channel& figures = published_.channels[each->index()];
        fill_channel_figures(figures, each->processor(), each->statistics());
        for (std::size_t i = 0; i < each->lines().size(); ++i) {
            const line& l = *each->lines()[i];
            published_line& out = figures.lines[i];
            fill_line_figures(out, l.framer.counts(),
                              source_ != nullptr ? source_->dropped(l.index) : 0);
            out.receive_buffer_bytes = receive_buffer_;
            if (const line_arbiter* arbiter = each->arbiter(); arbiter != nullptr) {
                const line_figures& of = arbiter->figures_of(i == 0 ? line_id::a : line_id::b);
                out.missed = of.missed;
                out.duplicates = of.duplicates;
            }
        }
    }
    publisher_->publish(published_);
    next_publish_ns_ = time_ns + static_cast<std::uint64_t>(publisher_->period().count());
}

void feed_run::summarise() {
    auto& names = md::enum_to_description::instance();
    // Kept apart per channel: the spans of the summaries refer to them.
    std::vector<std::vector<records::type_count>> counts(channels_.size());
    std::vector<std::vector<records::line_summary>> lines(channels_.size());
    std::vector<records::channel_summary> summaries;
    std::map<md::MsgType, std::uint64_t> all_counts;
    records::channel_summary total;
    total.errors = errors_;
    for (std::size_t c = 0; c < channels_.size(); ++c) {
        channel& each = *channels_[c];
        const md::processor& p = each.processor();
        for (const auto& [type, count] : p.counts_) {
            counts[c].push_back({std::string(names.describe(type)), count});
            all_counts[type] += count;
        }
        const line_arbiter* arbiter = each.arbiter();
        for (const line* l : each.lines()) {
            records::line_summary figures{.name = l->name,
                                          .datagrams = l->framer.counts().datagrams,
                                          .first = p.received_,
                                          .socket_drops = l->socket_drops};
            if (arbiter != nullptr) {
                const line_figures& of =
                    arbiter->figures_of(l->name == 'A' ? line_id::a : line_id::b);
                figures.first = of.first;
                figures.missed = of.missed;
                figures.duplicates = of.duplicates;
            }
            lines[c].push_back(figures);
        }
        records::channel_summary summary{.name = each.name(),
                                         .errors = p.errors_,
                                         .received = p.received_,
                                         .lost = p.lost_,
                                         .socket_drops = p.socket_drops_,
                                         .counts = counts[c],
                                         .lines = lines[c],
                                         .race = std::nullopt};
        if (arbiter != nullptr && arbiter->race().count() != 0) {
            constexpr double median = 0.5;
            constexpr double high = 0.99;
            const latency_histogram& race = arbiter->race();
            summary.race =
                records::race_summary{race.percentile(median), race.percentile(high), race.max()};
        }
        summaries.push_back(summary);
        total.errors = total.errors || p.errors_;
        total.received += p.received_;
        total.lost += p.lost_;
        total.socket_drops += p.socket_drops_;
    }
    std::vector<records::type_count> total_counts;
    total_counts.reserve(all_counts.size());
    for (const auto& [type, count] : all_counts) {
        total_counts.push_back({std::string(names.describe(type)), count});
    }
    records_.feed_summary(total.errors, total.received, total.lost, total.socket_drops,
                          total_counts, summaries);
    for (const auto& each : channels_) {
        if (each->statistics() != nullptr) {
            each->statistics()->log_run();
        }
    }
}

}  // namespace tarn
