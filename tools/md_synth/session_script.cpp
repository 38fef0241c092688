#include "session_script.hpp"

#include <array>
#include <chrono>
#include <stdexcept>
#include <string>

#include "market.hpp"
#include "md/catalogue.hpp"
#include "reference_data.hpp"
#include "wire_types.hpp"

namespace tarn::synth {

namespace {

// Messages after the closing auctions: the closing index value, two index
// summaries, a position report, the end of the test scenario and of the session.
constexpr std::uint64_t end_of_day_messages = 6;

// Codes that are not in the catalogue, for messages of unknown type.
constexpr std::array<std::uint16_t, 6> unknown_codes{2, 3, 100, 600, 1000, 4242};

std::string random_text(random_source& random, std::size_t size, std::string_view alphabet) {
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        text += alphabet[random.between(0, alphabet.size() - 1)];
    }
    return text;
}

class day {
  public:
    day(const session_settings& settings, const session_feed::datagram_sink& sink)
        : settings_(settings),
          random_(settings.seed),
          data_(make_reference_data(random_)),
          feed_(random_,
                {settings.date.at(std::chrono::hours(8), std::chrono::minutes(0)),
                 settings.datagram_size, 1, 1, settings.whole_messages},
                sink),
          market_(random_, feed_, data_, settings.date) {}

    feed_counts run() {
        start_of_day();
        opening();
        late_joiner_snapshot();
        every_order_operation();
        continuous_trading();
        for (std::size_t share = 0; share < market_.size(); ++share) {
            market_.closing_auction(share);
            feed_.pause();
        }
        end_of_day();
        feed_.finish();
        if (feed_.counts().messages != settings_.messages) {
            throw std::logic_error("the session has " + std::to_string(feed_.counts().messages) +
                                   " messages, not the planned " +
                                   std::to_string(settings_.messages));
        }
        return feed_.counts();
    }

  private:
    void start_of_day() {
        market_.session_status(wire_value<md::TradingSessionEvent>("StartOfTechnicalSession"));
        test_event(wire_value<md::TestEventType>("ScenarioStart"),
                   "synthetic session, seed " + std::to_string(settings_.seed));
        md::message_builder key(MsgType::EncryptionKey);
        key.set("id", u32{1}).set_text("secretKey", random_text(random_, 32, "0123456789abcdef"));
        feed_.send(key);
        feed_.pause();

        market_.session_status(wire_value<md::TradingSessionEvent>("InitialReferenceDataStart"));
        std::size_t in_burst = 0;
        for (const md::message_builder& m : reference_messages(data_, settings_.date)) {
            feed_.send(m);
            if (++in_burst == 6) {
                feed_.pause();
                in_burst = 0;
            }
        }
        market_.session_status(wire_value<md::TradingSessionEvent>("InitialReferenceDataEnd"));
        feed_.pause(120 * millisecond);  // a quiet line: heartbeats

        market_.position_report(wire_value<md::PosType>("SOD"));
        market_.news("Market notice 1/2: synthetic session",
                     "This session is generated: its instruments, companies and prices are "
                     "fictitious.",
                     1, 2);
        market_.news("Market notice 2/2: trading hours",
                     "Opening call from 07:15, continuous trading from 09:00, closing call from "
                     "17:30, trading at last from 17:35, closed from 17:40.",
                     2, 2);
        feed_.pause();
    }

    void opening() {
        for (std::size_t share = 0; share < market_.size(); ++share) {
            market_.clear_book(share);
            market_.reference_price(share);
            market_.collars(share, 1, data_.shares[share].reference_price);  // static
            market_.phase_change(share, phase::opening_call);
            feed_.pause();
        }
        // Orders collect during the call; the first two of each share cross,
        // so every opening auction trades.
        for (int round = 0; round < 6; ++round) {
            for (std::size_t share = 0; share < market_.size(); ++share) {
                const std::int64_t reference = data_.shares[share].reference_price;
                const side s = round == 0           ? side::buy
                               : round == 1         ? side::sell
                               : random_.chance(50) ? side::buy
                                                    : side::sell;
                const int ticks = round < 2 ? (s == side::buy ? 1 : -1)
                                            : static_cast<int>(random_.between_signed(-6, 6));
                market_.add(share, s, ticks_away(reference, ticks), random_.between(4, 40) * 25);
                market_.auction_update(share);
            }
            feed_.pause();
        }
        for (std::size_t share = 0; share < market_.size(); ++share) {
            market_.phase_change(share, phase::continuous);
            market_.uncross(share, wire_value<md::AuctionType>("OpeningAuction"),
                            trading_mode::opening_auction);
            market_.publish_top(share, true);
            market_.collars(share, 2,
                            market_.statistics(share).opening);  // dynamic, around the open
            feed_.pause();
        }
        market_.index_value(wire_value<md::IndexLevelCode>("OpeningValue"));
        feed_.pause();
    }

    // What a receiver that logs in late gets: the books as they stand, then
    // the number of the last message the snapshot includes.
    void late_joiner_snapshot() {
        const std::uint32_t included = feed_.last_seq_num();
        md::message_builder login(MsgType::Login);
        login.set("connectionId", std::uint16_t{1})
            .set_text("token", random_text(random_, 8, "ABCDEFGHJKLMNPQRSTUVWXYZ23456789"))
            .set("filter", wire_value<md::LoginFilter>("None"));
        feed_.send(login);
        md::message_builder response(MsgType::LoginResponse);
        response.set("result", wire_value<md::LoginResult>("Ok"));
        feed_.send(response);
        for (std::size_t share = 0; share < market_.size(); ++share) {
            market_.snapshot(share);
        }
        md::message_builder end(MsgType::EndOfSnapshot);
        end.set("lastSeqNum", included);
        feed_.send(end);
        feed_.send(md::message_builder(MsgType::Logout));
        feed_.pause();
    }

    // Each kind of order operation at least once, whatever the budget.
    void every_order_operation() {
        market_.add_passive(0);
        market_.modify_random(0);
        feed_.pause();
        market_.add_passive(0);
        market_.cancel_random(0);
        feed_.pause();
        market_.add_passive(0);
        // Two draws of a side can both find it empty: then the other side.
        if (!market_.execute_aggressive(0) && !market_.execute_aggressive(0) &&
            !market_.execute_aggressive(0, true)) {
            throw std::logic_error("no side of the book to trade against");
        }
        feed_.pause();
    }

    void continuous_trading() {
        const std::uint64_t reserved =
            market::closing_auction_messages * market_.size() + end_of_day_messages;
        anomalies left = settings_.faults;
        const std::uint64_t needed =
            feed_.counts().messages + reserved + left.unknown_types + left.short_messages;
        if (settings_.messages < needed) {
            throw std::invalid_argument("a whole session with this seed needs at least " +
                                        std::to_string(needed) + " messages");
        }
        const std::uint64_t end = settings_.messages - reserved;
        for (;;) {
            const std::uint64_t remaining = end - feed_.counts().messages;
            const std::uint64_t faults_left = left.total();
            if (remaining == 0 && faults_left == 0) {
                return;
            }
            const std::uint64_t free = remaining - left.unknown_types - left.short_messages;
            if (faults_left != 0 &&
                (free == 0 || random_.between(1, remaining + faults_left) <= faults_left)) {
                inject_fault(left);
                continue;
            }
            if (free >= market::max_operation_messages) {
                order_flow_event();
            } else if (random_.chance(50)) {
                market_.index_value(wire_value<md::IndexLevelCode>("CurrentValue"));
            } else {
                market_.mid_price(random_.between(0, market_.size() - 1));
            }
            if (random_.chance(55)) {
                feed_.pause();
            }
        }
    }

    void order_flow_event() {
        const std::size_t share = random_.between(0, market_.size() - 1);
        const std::size_t orders = market_.book(share).size();
        const std::uint64_t roll = random_.between(1, 100);
        if (orders < 6 || roll <= 30 || roll > 97) {
            market_.add_passive(share);
        } else if (orders > 40 || roll <= 50) {
            market_.cancel_random(share);
        } else if (roll <= 64) {
            market_.modify_random(share);
        } else if (roll <= 80) {
            if (!market_.execute_aggressive(share)) {
                market_.add_passive(share);
            }
        } else if (roll <= 88) {
            market_.index_value(wire_value<md::IndexLevelCode>("CurrentValue"));
        } else if (roll <= 93) {
            market_.mid_price(share);
        } else if (roll <= 96) {
            market_.snapshot(share);
        } else {
            company_news(share);
        }
    }

    void company_news(std::size_t share) {
        static constexpr std::array<const char*, 4> topics{
            "publication of quarterly results", "annual general meeting", "dividend payment date",
            "share buyback programme"};
        const std::string topic = topics.at(random_.between(0, topics.size() - 1));
        const std::string issuer = data_.shares.at(share).issuer;
        market_.news(issuer + ": " + topic,
                     issuer + " announces its " + topic + ". This notice is fictitious.", 1, 1);
    }

    void inject_fault(anomalies& left) {
        std::uint64_t pick = random_.between(1, left.total());
        if (pick <= left.gaps) {
            --left.gaps;
            feed_.skip_sequence_numbers(static_cast<std::uint32_t>(random_.between(1, 3)));
            return;
        }
        pick -= left.gaps;
        if (pick <= left.resends) {
            --left.resends;
            feed_.resend_recent();
            return;
        }
        pick -= left.resends;
        if (pick <= left.unknown_types) {
            --left.unknown_types;
            const std::uint16_t code =
                unknown_codes.at(random_.between(0, unknown_codes.size() - 1));
            md::message_builder m(MsgType{code}, sizeof(md::Header) + random_.between(0, 60));
            for (std::size_t at = sizeof(md::Header); at < m.view().size(); ++at) {
                m.put(at, static_cast<u8>(random_.between(0, 255)));
            }
            feed_.send(m);
            return;
        }
        --left.short_messages;
        static constexpr std::array<MsgType, 4> types{MsgType::OrderAdd, MsgType::OrderExecute,
                                                      MsgType::TopPriceLevelUpdate, MsgType::Trade};
        md::message_builder m(types.at(random_.between(0, types.size() - 1)));
        m.set("instrumentId", data_.shares.front().id);
        feed_.send_cut(m, static_cast<std::uint16_t>(
                              random_.between(sizeof(md::Header) + 1, m.view().size() - 1)));
    }

    void end_of_day() {
        market_.index_value(wire_value<md::IndexLevelCode>("ClosingValue"));
        market_.index_summaries();
        market_.position_report(wire_value<md::PosType>("FIN"));
        test_event(wire_value<md::TestEventType>("ScenarioEnd"),
                   "synthetic session, seed " + std::to_string(settings_.seed));
        market_.session_status(static_cast<u8>(md::TradingSessionEvent::EndOfTechnicalSession));
    }

    void test_event(u8 type, const std::string& scenario) {
        md::message_builder m(MsgType::TestEvent);
        m.set_text("scenarioName", scenario).set("eventType", type);
        feed_.send(m);
    }

    const session_settings& settings_;
    random_source random_;
    reference_data data_;
    session_feed feed_;
    market market_;
};

}  // namespace

feed_counts generate_session(const session_settings& settings,
                             const session_feed::datagram_sink& sink) {
    for (const std::uint16_t code : unknown_codes) {
        if (md::find_layout(MsgType{code}) != nullptr || MsgType{code} == MsgType::Heartbeat) {
            throw std::logic_error("an unknown-type code is in the catalogue");
        }
    }
    day session(settings, sink);
    return session.run();
}

}  // namespace tarn::synth
