// Helpers shared by the desktop program's tests (header only, not part of
// korvane_app): one QApplication on the offscreen platform, typing Chinese
// text into a widget, closing the message box that a handler opens.
#ifndef KORVANE_APP_TEST_SUPPORT_H_
#define KORVANE_APP_TEST_SUPPORT_H_

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>

#include "app/app_theme.h"
#include "app/pump_delay.h"
#include "search/search_engine.h"

namespace korvane::testing {

// Three engines that carry only their labels: enough for a window that runs
// no search.
inline EngineCatalogue labelled_engines() {
  EngineCatalogue engines(3);
  for (int i = 0; i < 3; ++i) engines[i].label = "引擎" + std::to_string(i + 1);
  return engines;
}

// The application of the test program, made on first use.
inline QApplication& test_app() {
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "korvane_test";
    static char* argv[] = {name, nullptr};
    auto* made = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    attach_theme(*made);
    return made;
  }();
  return *app;
}

// Types `text` into `widget` one character at a time, each as a key event
// carrying the character (QTest::keyClicks cannot type Chinese).
inline void type_text(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

// Presses Enter in `widget`.
inline void press_enter(QWidget* widget) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  QApplication::sendEvent(widget, &press);
}

// The message boxes that opened while it watched, closed with OK as soon as
// each appeared; their texts and captions are kept.
class MessageBoxCatcher {
 public:
  MessageBoxCatcher() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      texts.push_back(box->text());
      captions.push_back(box->windowTitle());
      icons.push_back(box->icon());
      box->accept();
    });
    timer_.start();
  }

  QStringList texts;
  QStringList captions;
  QList<QMessageBox::Icon> icons;

 private:
  QTimer timer_;
};

// Handles events until `done` holds or `limit` has passed; returns `done()`.
inline bool wait_until(const std::function<bool()>& done,
                       std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    pump_delay(10);
  }
  return true;
}

}  // namespace korvane::testing

#endif  // KORVANE_APP_TEST_SUPPORT_H_
