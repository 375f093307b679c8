// Waiting on the UI thread without freezing it.
#ifndef KORVANE_APP_PUMP_DELAY_H_
#define KORVANE_APP_PUMP_DELAY_H_

namespace korvane {

// Handles the waiting events of the calling thread, then waits `ms`
// milliseconds while handling every event as it arrives, then handles the
// waiting events once more. No blind sleep: a timer ends the wait. A value
// of 0 or less only handles the waiting events. Needs a QCoreApplication.
void pump_delay(int ms);

}  // namespace korvane

#endif  // KORVANE_APP_PUMP_DELAY_H_
