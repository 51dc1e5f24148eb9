#include "app/cut/cutledger.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(CutLedgerTest, FramesCompletedOutOfOrderCountOnlyOnceTheFramesBeforeThemAre)
{
  TCutLedger ledger(5);
  for (std::size_t expected = 0; expected < 3; ++expected)
    EXPECT_EQ(ledger.Take(), expected);
  ledger.Complete(2);
  ledger.Complete(1);
  EXPECT_EQ(ledger.Written(), 0u);
  ledger.Complete(0);
  EXPECT_EQ(ledger.Written(), 3u);
  EXPECT_EQ(ledger.Take(), 3u);
  EXPECT_EQ(ledger.Take(), 4u);
  EXPECT_EQ(ledger.Take(), 5u);  // none left
  ledger.Complete(4);
  ledger.Complete(3);
  EXPECT_EQ(ledger.Written(), 5u);
  EXPECT_EQ(ledger.FirstFailed(), 5u);
  EXPECT_TRUE(ledger.CompleteAfterFailure().empty());
}

TEST(CutLedgerTest, AFailureEndsTheCutThereAndTheFramesCutAfterItAreToGo)
{
  TCutLedger ledger(10);
  for (int taken = 0; taken < 6; ++taken)
    ledger.Take();
  ledger.Complete(0);
  ledger.Complete(1);
  ledger.Complete(4);
  EXPECT_TRUE(ledger.Fail(3));
  ledger.Complete(2);
  ledger.Complete(5);
  // A later failure is not the one the cut reports; an earlier one is.
  EXPECT_FALSE(ledger.Fail(5));
  EXPECT_EQ(ledger.Take(), 10u);
  EXPECT_EQ(ledger.Written(), 3u);
  EXPECT_EQ(ledger.CompleteAfterFailure(), (std::vector<std::size_t>{4, 5}));
  EXPECT_TRUE(ledger.Fail(1));
  EXPECT_EQ(ledger.FirstFailed(), 1u);
}

TEST(CutLedgerTest, AStoppedCutTakesNothingMoreButCountsTheFramesInFlight)
{
  TCutLedger ledger(8);
  ledger.Take();
  ledger.Take();
  ledger.Stop();
  EXPECT_EQ(ledger.Take(), 8u);
  ledger.Complete(1);
  ledger.Complete(0);
  EXPECT_EQ(ledger.Written(), 2u);
  EXPECT_EQ(ledger.FirstFailed(), 8u);

  TCutLedger empty(0);
  EXPECT_EQ(empty.Take(), 0u);
  EXPECT_EQ(empty.Written(), 0u);
}

}  // namespace
