// A player's place at the table: the hand, name, bid and the card played.
#pragma once
#include <cstdint>
#include <string>

#include "CardPile.h"

enum BidKind : std::int32_t { kNoBid = 0, kNumberBid = 1, kCardBid = 2 };

class SeatBid {
 public:
  void SetValue(std::int32_t value);
  // Keeps an assigned copy: the copy has the source's uniqueId and flags.
  void SetCard(const Card& card);

  std::string text;
  std::int32_t kind = kNoBid;
  Card card;
  std::int32_t value = 0;
};

class SeatRecord : public CardPile {
 public:
  ~SeatRecord() override;

  void SetName(const std::string& newName);
  void SetLabel(std::int32_t format, long left, long right, long top, long bottom);
  // Only the kind goes back to "no bid"; text and value stay.
  void ClearBid();
  void SetBidText(const std::string& newText);

  bool isComputer = false;
  std::string name;
  std::int32_t labelFormat = 0;
  SeatBid bid;
  Card* playedCard = nullptr;
  CardRect labelRect;
};
