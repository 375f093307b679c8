#include "app/online_notice.h"

#include <QWidget>

#include "app/enciphered_text.h"

namespace korvane {

void run_notice_check(QWidget& window, const QString& version) {
  window.setWindowTitle(QString::fromStdString(decipher(ciphered::kTitlePrefix)) + version);
}

}  // namespace korvane
