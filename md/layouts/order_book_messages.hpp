#pragma once

#include "md/catalogue.hpp"
#include "md/enums.hpp"
#include "md/layout.hpp"

namespace tarn::md {

// Order book and auction messages: single orders, price levels and snapshots,
// auctions, price updates and collars.
// Offsets count from the first byte of the message; the body starts at 42.

// PriceLevel, the 31-byte element
inline constexpr field price_level_fields[] = {
    {0, "isEncrypted", flag}, {1, "encryptionOffset", uint64}, {9, "encryptionKeyId", uint32},
    {13, "price", int64},     {21, "quantity", uint64},        {29, "orderCount", uint16},
};
inline constexpr layout price_level_layout{31, price_level_fields};
static_assert(is_contiguous(price_level_layout, 0));

// OrderAdd (code 9, 72 bytes)
inline constexpr field order_add_fields[] = {
    {42, "publicOrderId", uint64}, {50, "instrumentId", uint32}, {54, "side", enumeration<Side>},
    {55, "price", int64},          {63, "quantity", uint64},     {71, "mmQuote", flag},
};
inline constexpr layout order_add_layout{72, order_add_fields};
static_assert(is_contiguous(order_add_layout, body_offset));

// OrderModify (code 10, 72 bytes)
inline constexpr field order_modify_fields[] = {
    {42, "instrumentId", uint32},
    {46, "publicOrderId", uint64},
    {54, "price", int64},
    {62, "quantity", uint64},
    {70, "priorityFlag", enumeration<PriorityFlag>},
    {71, "side", enumeration<Side>},
};
inline constexpr layout order_modify_layout{72, order_modify_fields};
static_assert(is_contiguous(order_modify_layout, body_offset));

// OrderCancel (code 11, 55 bytes)
inline constexpr field order_cancel_fields[] = {
    {42, "instrumentId", uint32},
    {46, "publicOrderId", uint64},
    {54, "side", enumeration<Side>},
};
inline constexpr layout order_cancel_layout{55, order_cancel_fields};
static_assert(is_contiguous(order_cancel_layout, body_offset));

// OrderExecute (code 12, 83 bytes)
inline constexpr field order_execute_fields[] = {
    {42, "quantity", uint64},        {50, "instrumentId", uint32},
    {54, "publicOrderId", uint64},   {62, "executionId", uint32},
    {66, "executionPrice", int64},   {74, "executionQuantity", uint64},
    {82, "side", enumeration<Side>},
};
inline constexpr layout order_execute_layout{83, order_execute_fields};
static_assert(is_contiguous(order_execute_layout, body_offset));

// TopPriceLevelUpdate (code 256, 65 bytes)
inline constexpr field top_price_level_update_fields[] = {
    {42, "instrumentId", uint32},    {46, "price", int64},       {54, "quantity", uint64},
    {62, "side", enumeration<Side>}, {63, "orderCount", uint16},
};
inline constexpr layout top_price_level_update_layout{65, top_price_level_update_fields};
static_assert(is_contiguous(top_price_level_update_layout, body_offset));

// PriceLevelSnapshot (code 257, 669 bytes)
inline constexpr field price_level_snapshot_fields[] = {
    {42, "instrumentId", uint32},
    {46, "maxDepth", uint8},
    {47, "mmBuyQuoteLevel", uint8},
    {48, "mmSellQuoteLevel", uint8},
    {49, "buy", list(price_level_layout, 10)},
    {359, "sell", list(price_level_layout, 10)},
};
inline constexpr layout price_level_snapshot_layout{669, price_level_snapshot_fields};
static_assert(is_contiguous(price_level_snapshot_layout, body_offset));

// AuctionUpdate (code 268, 110 bytes)
inline constexpr field auction_update_fields[] = {
    {42, "instrumentId", uint32},
    {46, "indicativeMatchingPrice", int64},
    {54, "indicativeMatchingVolume", uint64},
    {62, "totalSellQuantityAtImp", uint64},
    {70, "totalBuyQuantityAtImp", uint64},
    {78, "bestSellLevel", int64},
    {86, "bestSellLevelQuantity", uint64},
    {94, "bestBuyLevel", int64},
    {102, "bestBuyLevelQuantity", uint64},
};
inline constexpr layout auction_update_layout{110, auction_update_fields};
static_assert(is_contiguous(auction_update_layout, body_offset));

// AuctionSummary (code 270, 63 bytes)
inline constexpr field auction_summary_fields[] = {
    {42, "instrumentId", uint32},
    {46, "price", int64},
    {54, "quantity", uint64},
    {62, "auctionType", enumeration<AuctionType>},
};
inline constexpr layout auction_summary_layout{63, auction_summary_fields};
static_assert(is_contiguous(auction_summary_layout, body_offset));

// PriceUpdate (code 271, 73 bytes)
inline constexpr field price_update_fields[] = {
    {42, "instrumentId", uint32},
    {46, "priceUpdateType", enumeration<PriceUpdateType>},
    {47, "priceYtmPresence", enumeration<PriceYtmPresence>},
    {49, "value", int64},
    {57, "valueBid", int64},
    {65, "valueAsk", int64},
};
inline constexpr layout price_update_layout{73, price_update_fields};
static_assert(is_contiguous(price_update_layout, body_offset));

// OrderCollars (code 272, 87 bytes)
inline constexpr field order_collars_fields[] = {
    {42, "instrumentId", uint32}, {46, "collarType", uint8}, {47, "price", int64},
    {55, "lowerBid", int64},      {63, "upperBid", int64},   {71, "lowerAsk", int64},
    {79, "upperAsk", int64},
};
inline constexpr layout order_collars_layout{87, order_collars_fields};
static_assert(is_contiguous(order_collars_layout, body_offset));

// TradeCollars (code 273, 71 bytes)
inline constexpr field trade_collars_fields[] = {
    {42, "instrumentId", uint32}, {46, "collarType", uint8}, {47, "price", int64},
    {55, "lower", int64},         {63, "upper", int64},
};
inline constexpr layout trade_collars_layout{71, trade_collars_fields};
static_assert(is_contiguous(trade_collars_layout, body_offset));

// The printable types of this group.
inline constexpr catalogue_entry order_book_messages[] = {
    {MsgType::OrderAdd, &order_add_layout},
    {MsgType::OrderModify, &order_modify_layout},
    {MsgType::OrderCancel, &order_cancel_layout},
    {MsgType::OrderExecute, &order_execute_layout},
    {MsgType::TopPriceLevelUpdate, &top_price_level_update_layout},
    {MsgType::PriceLevelSnapshot, &price_level_snapshot_layout},
    {MsgType::AuctionUpdate, &auction_update_layout},
    {MsgType::AuctionSummary, &auction_summary_layout},
    {MsgType::PriceUpdate, &price_update_layout},
    {MsgType::OrderCollars, &order_collars_layout},
    {MsgType::TradeCollars, &trade_collars_layout},
};

}  // namespace tarn::md
