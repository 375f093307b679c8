#include "app/status_texts.h"

#include "app/enciphered_text.h"

namespace korvane {

QString result_count_text(int rows) {
  return QString::fromStdString(decipher(ciphered::kCountPrefix)) + QString::number(rows) +
         QString::fromStdString(decipher(ciphered::kCountSuffix));
}

QString search_progress_text(const SearchProgress& progress, bool stopping) {
  QString text;
  if (progress.pages_total == 0) {
    text = QStringLiteral("正在读取第一页…");
  } else {
    text =
        QStringLiteral("正在搜索：第 %1/%2 页").arg(progress.pages_done).arg(progress.pages_total);
    if (progress.pages_failed > 0) {
      text += QStringLiteral("（%1 页失败）").arg(progress.pages_failed);
    }
  }
  if (stopping) text += QStringLiteral("，正在停止");
  return text;
}

QString page_cap_text(int wanted, int fetched) {
  return QStringLiteral("结果过多：只取前 %1 页（共 %2 页）").arg(fetched).arg(wanted);
}

}  // namespace korvane
