// Takes the screenshots of the README: the main window on its welcome tab,
// after a finished search on the demo sites, and with that list sorted by
// size. Writes PNG files into the folder given:
//   cmake --build build --target korvane_screenshots
//   build/src/app/korvane_screenshots -platform offscreen docs/screenshots
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <cstdio>

#include "app/app_theme.h"
#include "app/column_sorter.h"
#include "app/main_window.h"
#include "app/pump_delay.h"
#include "demo/demo_sites.h"

namespace {

using korvane::pump_delay;

bool wait_until(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    pump_delay(20);
  }
  return true;
}

bool save(korvane::MainWindow& window, const QDir& dir, const char* name) {
  window.result_count_tick();
  pump_delay(50);
  const QString path = dir.filePath(QString::fromUtf8(name));
  if (!window.grab().save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (app.arguments().size() != 2) {
    std::fprintf(stderr, "usage: %s -platform offscreen OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const QDir dir(app.arguments()[1]);
  korvane::attach_theme(app);
  korvane::DemoSites demo;
  if (!demo.start()) return 1;
  korvane::EngineCatalogue engines = korvane::builtin_engines();
  korvane::apply_host_overrides(engines, demo.host_overrides());
  korvane::MainWindow window(std::move(engines));
  window.show();
  bool ok = save(window, dir, "welcome.png");

  auto* box = window.findChild<QLineEdit*>(QStringLiteral("编辑框_搜索内容"));
  QTest::mouseClick(box, Qt::LeftButton);
  for (const QChar c : QStringLiteral("电影")) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(box, &press);
  }
  QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("按钮_开始搜索")),
                    Qt::LeftButton);
  if (!wait_until([&] { return !window.search_running(); })) return 1;
  korvane::ResultListView* list = window.tabs().selected_list();
  list->selectRow(3);
  ok = save(window, dir, "finished_search.png") && ok;

  for (int click = 0; click < 2; ++click) {  // ascending, then descending
    Q_EMIT list->horizontalHeader()->sectionClicked(1);
    if (!wait_until([&] { return !window.sorter().busy(); })) return 1;
  }
  list->scrollToTop();
  ok = save(window, dir, "sorted_by_size.png") && ok;
  window.close();
  return ok ? 0 : 1;
}
