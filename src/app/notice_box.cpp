#include "app/notice_box.h"

#include <QMessageBox>

namespace korvane {

void show_notice(QWidget* parent, const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("提示框"));
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace korvane
