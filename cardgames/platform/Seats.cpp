#include "Seats.h"

void SeatBid::SetValue(std::int32_t v) {
  value = v;
  kind = kNumberBid;
}

void SeatBid::SetCard(const Card& c) {
  card = c;
  kind = kCardBid;
}

SeatRecord::~SeatRecord() { playedCard = nullptr; }

void SeatRecord::SetName(const std::string& newName) { name = newName; }

void SeatRecord::SetLabel(std::int32_t format, long left, long right, long top, long bottom) {
  labelFormat = format;
  labelRect = {left, top, right, bottom};
}

void SeatRecord::ClearBid() { bid.kind = kNoBid; }

void SeatRecord::SetBidText(const std::string& newText) { bid.text = newText; }
