#include <gtest/gtest.h>

#include "Seats.h"

TEST(SeatRecord, BidsAndLabel) {
  SeatRecord seat;
  EXPECT_EQ(seat.bid.kind, kNoBid);
  EXPECT_EQ(seat.playedCard, nullptr);
  seat.SetBidText("Seven");
  seat.bid.SetValue(7);
  EXPECT_EQ(seat.bid.kind, kNumberBid);
  seat.ClearBid();
  EXPECT_EQ(seat.bid.kind, kNoBid);
  EXPECT_EQ(seat.bid.value, 7);
  EXPECT_EQ(seat.bid.text, "Seven");

  Card jack(11, 3);
  jack.flags = 5;
  seat.bid.SetCard(jack);
  EXPECT_EQ(seat.bid.kind, kCardBid);
  EXPECT_EQ(seat.bid.card.uniqueId, jack.uniqueId);
  EXPECT_EQ(seat.bid.card.flags, 5u);
  EXPECT_EQ(seat.bid.card.faceRank, 11);

  seat.SetLabel(0x29, 10, 200, 300, 320);
  EXPECT_EQ(seat.labelFormat, 0x29);
  EXPECT_EQ(seat.labelRect.left, 10);
  EXPECT_EQ(seat.labelRect.top, 300);
  EXPECT_EQ(seat.labelRect.right, 200);
  EXPECT_EQ(seat.labelRect.bottom, 320);
  seat.SetName("North");
  EXPECT_EQ(seat.name, "North");
}
