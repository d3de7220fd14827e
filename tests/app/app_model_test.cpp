// The device keys and the refresh countdown of the main window.
#include <gtest/gtest.h>

#include "shell/device_keys.h"

TEST(DeviceKeys, SixCodesRaiseTheirButtons) {
  EXPECT_EQ(DeviceKeyCommand(0x0004), BUTTON0);
  EXPECT_EQ(DeviceKeyCommand(0x8000), BUTTON1);
  EXPECT_EQ(DeviceKeyCommand(0x4000), BUTTON2);
  EXPECT_EQ(DeviceKeyCommand(0x2000), BUTTON3);
  EXPECT_EQ(DeviceKeyCommand(0x1000), BUTTON4);
  EXPECT_EQ(DeviceKeyCommand(0x0002), BUTTON5);
}

TEST(DeviceKeys, OtherCodesRaiseNothing) {
  EXPECT_EQ(DeviceKeyCommand(0), 0);
  EXPECT_EQ(DeviceKeyCommand(0x0001), 0);
  EXPECT_EQ(DeviceKeyCommand(0x8004), 0);  // two keys at once
  EXPECT_EQ(DeviceKeyCommand(0xFFFF), 0);
}

TEST(Refresh, FirstPlainRefreshLaysOut) {
  int countdown = 0;
  EXPECT_TRUE(RefreshNeedsLayout(countdown, 10, 0));
  EXPECT_EQ(countdown, 10);
}

TEST(Refresh, EleventhPlainRefreshAfterAForcedOneLaysOut) {
  int countdown = 3;
  EXPECT_TRUE(RefreshNeedsLayout(countdown, 10, 1));
  for (int i = 1; i <= 10; ++i) EXPECT_FALSE(RefreshNeedsLayout(countdown, 10, 0)) << i;
  EXPECT_TRUE(RefreshNeedsLayout(countdown, 10, 0));
  EXPECT_EQ(countdown, 10);
}

TEST(Refresh, AnyOtherParameterCountsAsPlain) {
  int countdown = 2;
  EXPECT_FALSE(RefreshNeedsLayout(countdown, 10, 7));
  EXPECT_EQ(countdown, 1);
  EXPECT_FALSE(RefreshNeedsLayout(countdown, 10, -1));
  EXPECT_TRUE(RefreshNeedsLayout(countdown, 10, 2));
}

TEST(Refresh, PeriodZeroLaysOutEveryTime) {
  int countdown = 0;
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(RefreshNeedsLayout(countdown, 0, 0));
}
