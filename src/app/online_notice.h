// The online notice check run by the main window's creation handler.
#ifndef KORVANE_APP_ONLINE_NOTICE_H_
#define KORVANE_APP_ONLINE_NOTICE_H_

#include <QString>

class QWidget;

namespace korvane {

// Sets the window title to the title prefix followed by `version`. Reading
// the notice page and the update come with their own change.
void run_notice_check(QWidget& window, const QString& version);

}  // namespace korvane

#endif  // KORVANE_APP_ONLINE_NOTICE_H_
