#include "ChainWatch.h"

#include <gtest/gtest.h>

using V = TChainWatch::TVerdict;

TEST(ChainWatch, HealthyChainNeverRejoins) {
  TChainWatch watch(2000);
  watch.Notified(10);
  EXPECT_EQ(watch.Check(10, 60000), V::Healthy);
  // A change whose notification is still in flight at the check, then arrives.
  EXPECT_EQ(watch.Check(11, 120000), V::Recheck);
  EXPECT_FALSE(watch.Heard(11));
  watch.Notified(11);
  EXPECT_TRUE(watch.Heard(11));
  EXPECT_EQ(watch.Check(11, 122000), V::Healthy);
  EXPECT_EQ(watch.Check(11, 180000), V::Healthy);
}

TEST(ChainWatch, MissedNotificationRejoinsAfterGrace) {
  TChainWatch watch(2000);
  watch.Notified(5);
  EXPECT_EQ(watch.Check(7, 60000), V::Recheck);
  EXPECT_EQ(watch.RecheckInMs(60000), 2000u);
  EXPECT_EQ(watch.RecheckInMs(61500), 500u);  // the grace runs from the first sight of the change
  EXPECT_EQ(watch.Check(7, 61999), V::Recheck);
  EXPECT_EQ(watch.RecheckInMs(61999), 1u);
  EXPECT_EQ(watch.Check(8, 62000), V::Rejoin);
  // After the re-join the watch starts over from the sequence then current.
  watch.Notified(8);
  EXPECT_EQ(watch.Check(8, 122000), V::Healthy);
}

TEST(ChainWatch, SuspicionClearsWhenNumbersAgreeAgain) {
  TChainWatch watch(2000);
  watch.Notified(1);
  EXPECT_EQ(watch.Check(2, 1000), V::Recheck);
  watch.Notified(2);
  EXPECT_EQ(watch.Check(3, 5000), V::Recheck);  // a new suspicion starts its own grace
  EXPECT_EQ(watch.Check(3, 6000), V::Recheck);
  EXPECT_EQ(watch.Check(3, 7000), V::Rejoin);
}

TEST(ChainWatch, SequenceWrapsAround) {
  TChainWatch watch(0);
  watch.Notified(0xFFFFFFFFu);
  EXPECT_EQ(watch.Check(0xFFFFFFFFu, 1), V::Healthy);
  EXPECT_EQ(watch.Check(0, 2), V::Recheck);
  EXPECT_EQ(watch.Check(0, 2), V::Rejoin);
}
