#include "app/pump_delay.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>

#include "app/test_support.h"

namespace korvane {
namespace {

TEST(PumpDelay, ZeroHandlesTheWaitingEvents) {
  QObject context;
  testing::test_app();
  bool ran = false;
  QMetaObject::invokeMethod(
      &context, [&] { ran = true; }, Qt::QueuedConnection);
  pump_delay(0);
  EXPECT_TRUE(ran);
  pump_delay(-5);  // a negative time is no time
}

TEST(PumpDelay, HandlesEventsWhileItWaitsAndWaitsTheWholeTime) {
  testing::test_app();
  bool fired = false;
  QTimer::singleShot(10, [&] { fired = true; });
  QElapsedTimer clock;
  clock.start();
  pump_delay(60);
  EXPECT_TRUE(fired);
  EXPECT_GE(clock.elapsed(), 59);
}

}  // namespace
}  // namespace korvane
