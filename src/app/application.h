// The program's entry: start-up, the event loop and the orderly end.
#ifndef KORVANE_APP_APPLICATION_H_
#define KORVANE_APP_APPLICATION_H_

class QWidget;

namespace korvane {

// Runs korvane with its command line; returns the process's exit code: 0 once
// the main window has been closed, 2 for a bad command line, 1 when --demo
// cannot start the demo sites.
int run_application(int argc, char** argv);

// Places `window` in the middle of its screen's available area.
void centre_on_screen(QWidget& window);

}  // namespace korvane

#endif  // KORVANE_APP_APPLICATION_H_
