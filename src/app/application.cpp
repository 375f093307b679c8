#include "app/application.h"

#include <QApplication>
#include <QScreen>
#include <cstdio>
#include <cstring>

#include "app/app_options.h"
#include "app/app_theme.h"
#include "app/demo_launch.h"
#include "app/main_window.h"
#include "app/pictures.h"

namespace korvane {

void centre_on_screen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
}

int run_application(int argc, char** argv) {
  // The usage needs no display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf("%s", qPrintable(app_usage()));
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("korvane"));
  QApplication::setApplicationDisplayName(QStringLiteral("KorvaneBT资源搜索器"));
  QApplication::setApplicationVersion(QStringLiteral("2.3"));
  QApplication::setDesktopFileName(QStringLiteral("korvane"));
  // Hiding to the tray leaves no window visible; only closing ends the program.
  QApplication::setQuitOnLastWindowClosed(false);

  // Module state: the engine catalogue with the user's hosts, the demo sites.
  EngineCatalogue engines = configured_engines();
  const int engine_count = static_cast<int>(engines.size());
  AppOptions options;
  QString error;
  if (!parse_app_options(QApplication::arguments(), engine_count, options, error)) {
    std::fprintf(stderr, "korvane: %s\n", qPrintable(error));
    return 2;
  }
  DemoLaunch demo;
  if (options.demo) {
    HostOverrides demo_hosts;
    if (!demo.start(engine_count, demo_hosts, error)) {
      std::fprintf(stderr, "korvane: --demo: %s\n", qPrintable(error));
      return 1;
    }
    apply_host_overrides(engines, demo_hosts);
  }
  apply_host_overrides(engines, options.hosts);

  attach_theme(app);
  QApplication::setWindowIcon(program_icon());

  MainWindow window(std::move(engines));
  if (window.refused_by_guard()) return 0;
  QObject::connect(
      &window, &MainWindow::closed, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  centre_on_screen(window);
  window.show();
  return QApplication::exec();
  // The window goes first, cancelling and joining a running search; the demo
  // sites stop after it.
}

}  // namespace korvane
