#include "app/pump_delay.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace korvane {

void pump_delay(int ms) {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (ms > 0) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec(QEventLoop::AllEvents);
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace korvane
