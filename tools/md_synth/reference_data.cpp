#include "reference_data.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <iterator>
#include <numeric>
#include <stdexcept>

#include "block_fields.hpp"
#include "isin.hpp"
#include "md/layouts/index_messages.hpp"
#include "wire_types.hpp"

namespace tarn::synth {

namespace {

struct tick_band {
    i64 lower_bound;
    i64 tick;
};
constexpr std::array<tick_band, 6> tick_table{{
    {0, 1},
    {1 * price_scale, 5},
    {5 * price_scale, 10},
    {10 * price_scale, 50},
    {50 * price_scale, 100},
    {100 * price_scale, 500},
}};

constexpr u8 trade_collar = wire_value<md::CollarMode>("TradePriceCollar");
constexpr u8 order_collar = wire_value<md::CollarMode>("OrderPriceCollar");

constexpr u16 france = 250, netherlands = 528, portugal = 620, germany = 276;

struct company {
    const char* name;
    const char* code;
    const char* country_letters;
    u16 country;
};
constexpr std::array<company, 4> companies{{
    {"Aubrac Energie SA", "AUBR", "FR", france},
    {"Noordhaven Logistics NV", "NRDH", "NL", netherlands},
    {"Causse Assurances SA", "CASS", "FR", france},
    {"Tagus Telecom SGPS SA", "TAGT", "PT", portugal},
}};

std::string digits(random_source& random, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += static_cast<char>('0' + random.between(0, 9));
    }
    return text;
}

std::string random_isin(random_source& random, std::string_view country_letters) {
    return make_isin(std::string(country_letters) + "00" + digits(random, 7));
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return text;
}

// What names and classifies an instrument; the seed adds the ISIN.
struct listing {
    u32 id;
    const char* isin_country;
    u16 country;
    std::string name;
    std::string issuer;
    const char* code;
    const char* cfi;
    std::string fisn;
    u8 product_type;
    u8 product_subtype;
    u32 market_structure_id;
};

// An instrument of the listing with an ISIN of its country drawn from
// `random`; its product id is its id plus 10000.
listed_instrument listed(random_source& random, const listing& of) {
    listed_instrument i;
    i.id = of.id;
    i.product_id = of.id + 10'000;
    i.isin = random_isin(random, of.isin_country);
    i.name = of.name;
    i.issuer = of.issuer;
    i.code = of.code;
    i.cfi = of.cfi;
    i.fisn = of.fisn;
    i.product_type = of.product_type;
    i.product_subtype = of.product_subtype;
    i.country = of.country;
    i.market_structure_id = of.market_structure_id;
    return i;
}

md::message_builder market_structure(u32 id, u32 parent, std::string_view name, u8 model) {
    md::message_builder m(MsgType::MarketStructure);
    m.set("id", id).set("parentId", parent).set_text("mic", venue_mic).set_text("name", name);
    m.set("marketModelType", model);
    return m;
}

md::message_builder collar_table(u32 id, u8 mode, i64 percent) {
    md::message_builder m(MsgType::CollarTableEntry);
    m.set("collarTableId", id)
        .set("collarMode", mode)
        .set("collarExpression", wire_value<md::CollarExpression>("AbsoluteValue"));
    m.set("collarLowerBound", i64{0}).set("collarValue", percent * price_scale);
    m.set("collarLowerBid", -percent * price_scale).set("collarUpperBid", percent * price_scale);
    m.set("collarUpperAsk", percent * price_scale).set("collarLowerAsk", -percent * price_scale);
    return m;
}

md::message_builder phase_entry(const session_date& date, phase id, int hour, int minute,
                                bool uncrossing) {
    md::message_builder m(MsgType::TradingPhaseScheduleEntry);
    m.set("tradingScheduleId", trading_schedule_id).set("tradingPhaseId", static_cast<u32>(id));
    m.set("tradingPhaseSettlementCycle", u8{2}).set("tradingPhaseMaxBlockSettlementCycle", u8{2});
    m.set("tradingPhaseStartTime", date.at(std::chrono::hours(hour), std::chrono::minutes(minute)));
    m.set("tradingPhaseType", phase_type(id))
        .set("uncrossing", static_cast<u8>(uncrossing ? 1 : 0));
    return m;
}

// The fields every instrument has, whatever its kind.
md::message_builder instrument(const listed_instrument& i) {
    md::message_builder m(MsgType::Instrument);
    m.set("instrumentId", i.id)
        .set("productType", i.product_type)
        .set("productSubtype", i.product_subtype)
        .set("firstTradingDate", u32{20100104})
        .set("productId", i.product_id)
        .set("currency", euro)
        .set("icebergMinValue", i64{10'000} * price_scale)
        .set("lotSize", u32{1})
        .set("priceExpressionType", wire_value<md::PriceExpressionType>("Price"))
        .set("calendarId", calendar_id)
        .set("marketStructureId", i.market_structure_id)
        .set("tickTableId", tick_table_id)
        .set("collarGroupId", collar_group_id)
        .set("tradingScheduleId", trading_schedule_id)
        .set_text("description", i.name)
        .set_text("mic", venue_mic)
        .set("nominalValueType", wire_value<md::NominalValueType>("NotApplicable"))
        .set("multiplier", i64{1})
        .set("strikePriceCurrency", euro)
        .set_text("productIdentification", i.isin)
        .set("productIdentificationType", isin_type)
        .set("settlementCalendarId", calendar_id)
        .set("bondCouponType", wire_value<md::BondCouponType>("NotApplicable"))
        .set("preTradeCheckMinPrice", i.reference_price / 2)
        .set("preTradeCheckMaxPrice", i.reference_price * 2)
        .set("preTradeCheckMinQuantity", u64{1})
        .set("preTradeCheckMaxQuantity", u64{1'000'000})
        .set("preTradeCheckMaxValue", i64{50'000'000} * price_scale)
        .set("liquidity", u8{1})
        .set("marketModelType", wire_value<md::MarketModelType>("CLOB"))
        .set_text("issuer", i.issuer)
        .set("issuerRegCountry", i.country)
        .set_text("productCode", i.code)
        .set_text("cfi", i.cfi)
        .set_text("fisn", i.fisn)
        .set("issueSize", i.issue_size)
        .set("nominalCurrency", euro)
        .set("usIndicator", wire_value<md::UsIndicator>("RegulationS"))
        .set("versionNumber", u8{1})
        .set("settlementType", wire_value<md::SettlementType>("NotApplicable"))
        .set("optionType", wire_value<md::OptionType>("NotApplicable"))
        .set("exerciseType", wire_value<md::ExerciseType>("NA"))
        .set_text("productName", i.name)
        .set("referencePrice", i.reference_price)
        .set("status", wire_value<md::InstrumentStatus>("Active"))
        .set("initialPhaseId", static_cast<u32>(phase::opening_call))
        .set("thresholdMax", i.reference_price + i.reference_price / 2)
        .set("thresholdMin", i.reference_price / 2)
        .set("isLeverage", wire_value<md::IsLeverage>("No"));
    return m;
}

std::vector<md::message_builder> instruments(const reference_data& data, const session_date& date) {
    std::vector<md::message_builder> out;
    std::transform(data.shares.begin(), data.shares.end(), std::back_inserter(out), instrument);

    md::message_builder bond = instrument(data.bond);
    bond.set("priceExpressionType", wire_value<md::PriceExpressionType>("Percentage"))
        .set("lastTradingDate", u32{20330314})
        .set("nominalValue", i64{1'000} * price_scale)
        .set("nominalValueType", wire_value<md::NominalValueType>("Constant"))
        .set("bondCouponType", wire_value<md::BondCouponType>("Indexed"))
        .set("accruedInterestValue", i64{41'250});
    out.push_back(bond);

    md::message_builder warrant = instrument(data.warrant);
    warrant.set("lastTradingDate", static_cast<u32>(date.year() + 1) * 10000 + 617)
        .set("expiryDate", static_cast<u32>(date.year() + 1) * 10000 + 619)
        .set("marketModelType", wire_value<md::MarketModelType>("HYBRID"))
        .set("multiplier", i64{1'000})  // ten warrants for one share
        .set("strikePrice", i64{60} * price_scale)
        .set("settlementType", wire_value<md::SettlementType>("CashSettlement"))
        .set("optionType", wire_value<md::OptionType>("Call"))
        .set("exerciseType", wire_value<md::ExerciseType>("EURO"))
        .set("isLeverage", wire_value<md::IsLeverage>("Yes"))
        .set_text("kid", "https://kid.example.com/" + data.warrant.isin)
        .set("kidIssueDate", date.number() - 10000)  // a year before
        .set("valueAtRisk", u8{6})
        .set("externalUnderlyingId", u32{1});
    out.push_back(warrant);

    for (const listed_instrument* index : {&data.price_index, &data.total_return_index}) {
        md::message_builder m = instrument(*index);
        m.set("priceExpressionType", wire_value<md::PriceExpressionType>("NotApplicable"))
            .set("lotSize", u32{0})
            .set("liquidity", u8{0});
        m.set("referenceInstrumentId", index == &data.total_return_index ? data.price_index.id : 0);
        out.push_back(m);
    }
    return out;
}

// One index parameter record; the total return index lists the price index
// as its underlying.
md::message_builder index_params(const reference_data& data, const listed_instrument& index,
                                 u16 order, const session_date& date) {
    md::message_builder m(MsgType::IndexParams);
    m.set("instrumentId", index.id)
        .set("indexBaseValue", i64{1'000} * price_scale)
        .set("indexBaseCapitalisation", i64{18'500'000'000})
        .set("indexBaseDate", u32{20091231})
        .set("correctionCoefficient", price_scale)
        .set("numOfComponents", static_cast<u16>(data.shares.size()))
        .set("indexPublicationSchedule", wire_value<md::IndexPublicationSchedule>("Continuous"))
        .set("indexType", wire_value<md::IndexType>("W"))
        .set("presenceFlags", wire_value<md::IndexParamsPresenceFlags>("None"))
        .set("publicationOrder", order)
        .set("currency", euro)
        .set("dateValidity", date.number());
    if (&index == &data.total_return_index) {
        const std::size_t list = m.offset_of("indexUnderlyings");
        m.put<u8>(list, 1);  // the count, then the elements
        const std::size_t element = list + 1;
        set_isin_in(m, element, data.price_index.isin);
        set_in(m, element, md::index_underlying_layout, "indexUnderlyingType",
               wire_value<md::IndexUnderlyingType>("Index"));
    }
    return m;
}

}  // namespace

std::uint8_t phase_type(phase p) {
    switch (p) {
        case phase::opening_call:
            return wire_value<md::TradingPhaseType>("AuctionOpening");
        case phase::continuous:
            return wire_value<md::TradingPhaseType>("ContinuousPriceTime");
        case phase::closing_call:
            return wire_value<md::TradingPhaseType>("AuctionClosing");
        case phase::trading_at_last:
            return wire_value<md::TradingPhaseType>("ContinuousLastAuctionTime");
        case phase::closed:
            return wire_value<md::TradingPhaseType>("NoTradingClosed");
    }
    throw std::logic_error("no such phase");
}

std::int64_t tick_at(std::int64_t price) {
    // The band with the highest lower bound at or below the price.
    const auto band = std::find_if(tick_table.rbegin(), tick_table.rend(),
                                   [price](const tick_band& b) { return price >= b.lower_bound; });
    return band != tick_table.rend() ? band->tick : tick_table.front().tick;
}

std::int64_t on_tick(std::int64_t price) { return price - price % tick_at(price); }

std::int64_t ticks_away(std::int64_t price, int ticks) {
    for (; ticks > 0; --ticks) {
        price = on_tick(price) + tick_at(price);
    }
    for (; ticks < 0; ++ticks) {
        const std::int64_t below = on_tick(price - 1);
        price = below > 0 ? on_tick(price - tick_at(below)) : price;
    }
    return on_tick(price);
}

reference_data make_reference_data(random_source& random) {
    reference_data data;
    u32 id = 1001;
    for (const company& c : companies) {
        const std::string name = c.name;
        listed_instrument share =
            listed(random, {id, c.country_letters, c.country, name, name, c.code, "ESVUFR",
                            upper(name.substr(0, name.rfind(' '))) + "/SH",
                            wire_value<md::ProductType>("Equity"),
                            wire_value<md::ProductSubtype>("Share"), 2});
        share.reference_price = on_tick(static_cast<i64>(random.between(8, 90)) * price_scale +
                                        static_cast<i64>(random.between(0, price_scale - 1)));
        share.issue_size = random.between(50, 900) * 1'000'000;
        data.shares.push_back(share);
        data.index_shares.push_back(share.issue_size / random.between(2, 4));
        ++id;
    }

    data.bond =
        listed(random, {3001, "FR", france, "Aubrac Energie 1.25% IL 2033", "Aubrac Energie SA",
                        "AUBR33", "DBFNFR", "AUBRAC ENERGIE/1.25 IL BD 20330315",
                        wire_value<md::ProductType>("FixedIncome"),
                        wire_value<md::ProductSubtype>("CorporateFirmBond"), 3});
    data.bond.reference_price =
        static_cast<i64>(random.between(980'000, 1'040'000));  // percent of nominal
    data.bond.issue_size = 500'000;

    data.warrant =
        listed(random, {4001, "FR", france, "Call Rhinebrook Chemie 60 EUR", "Banque du Causse SA",
                        "RB60C", "RWSTCE", "BQ DU CAUSSE/CALL WT RHINEBROOK",
                        wire_value<md::ProductType>("StructuredProduct"),
                        wire_value<md::ProductSubtype>("OptionWarrants"), 4});
    data.warrant.reference_price = on_tick(static_cast<i64>(random.between(1'000, 25'000)));
    data.warrant.issue_size = 10'000'000;
    data.warrant_underlying_isin = random_isin(random, "DE");

    std::vector<i64> references;
    std::transform(data.shares.begin(), data.shares.end(), std::back_inserter(references),
                   [](const listed_instrument& share) { return share.reference_price; });
    // The divisor puts yesterday's close of the index where the seed says.
    const i64 previous_close = static_cast<i64>(random.between(2'000, 6'000)) * price_scale;
    data.index_divisor = portfolio_value(data, references) / previous_close;
    if (data.index_divisor == 0) {
        throw std::logic_error("index divisor out of range");
    }
    const i64 price_index_value = index_value(data, references);
    data.price_index =
        listed(random, {9001, "FR", france, "Synthetic Four", "Tarn Index Services", "SYN4",
                        "TIXXXX", "SYNTHETIC FOUR/IDX", wire_value<md::ProductType>("Index"),
                        wire_value<md::ProductSubtype>("PriceIndex"), 5});
    data.price_index.reference_price = price_index_value;
    data.total_return_index = listed(
        random, {9002, "FR", france, "Synthetic Four Total Return", "Tarn Index Services", "SYN4TR",
                 "TIXXXX", "SYNTHETIC FOUR/TR IDX", wire_value<md::ProductType>("Index"),
                 wire_value<md::ProductSubtype>("TotalReturnIndex"), 5});
    data.total_return_index.reference_price = price_index_value * 2;
    return data;
}

std::int64_t portfolio_value(const reference_data& data, const std::vector<std::int64_t>& prices) {
    return std::inner_product(
        prices.begin(), prices.end(), data.index_shares.begin(), i64{0}, std::plus<>(),
        [](i64 price, std::uint64_t shares) { return price * static_cast<i64>(shares); });
}

std::int64_t index_value(const reference_data& data, const std::vector<std::int64_t>& prices) {
    return portfolio_value(data, prices) / data.index_divisor;
}

std::vector<md::message_builder> reference_messages(const reference_data& data,
                                                    const session_date& date) {
    std::vector<md::message_builder> out;
    out.push_back(market_structure(market_id, 0, "Tarn Synthetic Market",
                                   wire_value<md::MarketModelType>("NotApplicable")));
    out.push_back(
        market_structure(2, market_id, "Shares", wire_value<md::MarketModelType>("CLOB")));
    out.push_back(market_structure(3, market_id, "Bonds", wire_value<md::MarketModelType>("CLOB")));
    out.push_back(market_structure(4, market_id, "Warrants and Certificates",
                                   wire_value<md::MarketModelType>("HYBRID")));
    out.push_back(market_structure(5, market_id, "Indices",
                                   wire_value<md::MarketModelType>("NotApplicable")));

    for (const tick_band& band : tick_table) {
        md::message_builder m(MsgType::TickTableEntry);
        m.set("tickSize", band.tick).set("lowerBound", band.lower_bound);
        m.set("tickTableId", tick_table_id);
        out.push_back(m);
    }

    md::message_builder week(MsgType::WeekPlan);
    week.set("calendarId", calendar_id);
    for (std::size_t day = 0; day < 7; ++day) {
        week.put<u8>(week.offset_of("weekdays") + day, day < 5 ? 1 : 0);  // Monday to Friday
    }
    out.push_back(week);
    for (const u32 month_day : {501U, 1225U}) {
        md::message_builder m(MsgType::CalendarException);
        m.set("calendarId", calendar_id)
            .set("calendarExceptionDate", static_cast<u32>(date.year()) * 10000 + month_day)
            .set("calendarExceptionType", wire_value<md::CalendarExceptionType>("Closed"));
        out.push_back(m);
    }

    out.push_back(collar_table(1, order_collar, 50));  // static order collar
    out.push_back(collar_table(2, order_collar, 10));  // dynamic order collar
    out.push_back(collar_table(3, trade_collar, 10));  // static trade collar
    out.push_back(collar_table(4, trade_collar, 5));   // dynamic trade collar
    md::message_builder group(MsgType::CollarGroup);
    group.set("id", collar_group_id)
        .set("orderStaticCollarTableId", u32{1})
        .set("orderDynamicCollarTableId", u32{2})
        .set("tradeStaticCollarTableId", u32{3})
        .set("tradeDynamicCollarTableId", u32{4});
    out.push_back(group);

    // Opening call, continuous trading, closing call, trading at last, closed.
    out.push_back(phase_entry(date, phase::opening_call, 7, 15, false));
    out.push_back(phase_entry(date, phase::continuous, 9, 0, true));
    out.push_back(phase_entry(date, phase::closing_call, 17, 30, false));
    out.push_back(phase_entry(date, phase::trading_at_last, 17, 35, true));
    out.push_back(phase_entry(date, phase::closed, 17, 40, false));

    md::message_builder underlying(MsgType::ExternalUnderlying);
    underlying.set("externalUnderlyingId", u32{1})
        .set_text("productIdentification", data.warrant_underlying_isin)
        .set("productIdentificationType", isin_type)
        .set_text("productCode", "RBCH")
        .set_text("productName", "Rhinebrook Chemie AG")
        .set_text("mic", "XEXT")
        .set("nominalCurrency", euro)
        .set("tradingCurrency", euro);
    out.push_back(underlying);

    std::vector<md::message_builder> listed = instruments(data, date);
    out.insert(out.end(), std::make_move_iterator(listed.begin()),
               std::make_move_iterator(listed.end()));

    // The inflation-linked bond's accrued interest and indexation, for today
    // and the next two settlement days.
    for (int day = 0; day < 3; ++day) {
        const u32 on = date.business_days_later(day);
        md::message_builder interest(MsgType::AccruedInterestTableEntry);
        interest.set("productId", data.bond.product_id)
            .set("accruedInterestTableEntryDate", on)
            .set("accruedInterestTableEntryValue", i64{41'250} + day * i64{34});
        out.push_back(interest);
        md::message_builder indexation(MsgType::IndexationTableEntry);
        indexation.set("productId", data.bond.product_id)
            .set("indexationTableEntryDate", on)
            .set("indexationTableEntryValue", i64{10'843} + day * i64{1});
        out.push_back(indexation);
    }

    out.push_back(index_params(data, data.price_index, 1, date));
    out.push_back(index_params(data, data.total_return_index, 2, date));
    for (std::size_t i = 0; i < data.shares.size(); ++i) {
        const listed_instrument& share = data.shares[i];
        md::message_builder entry(MsgType::IndexPortfolioEntry);
        entry.set("id", static_cast<u32>(i + 1))
            .set("indexId", data.price_index.id)
            .set("presenceFlags",
                 wire_value<md::IndexPortfolioEntryPresenceFlags>("HasInstrumentId"))
            .set("instrumentId", share.id)
            .set_text("mic", venue_mic)
            .set("currency", euro)
            .set("instrumentPacket", data.index_shares[i])
            .set("suspended", u8{0});
        set_isin_in(entry, entry.offset_of("publicProductIdentification"), share.isin);
        out.push_back(entry);
    }
    return out;
}

}  // namespace tarn::synth
