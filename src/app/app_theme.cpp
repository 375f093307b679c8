#include "app/app_theme.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>
#include <algorithm>

namespace korvane {
namespace {

// Tinted by -20 degrees at start-up, it becomes the blue of the pictures.
const QColor kAccent = QColor::fromHsv(227, 231, 221);

int shift_towards(int value, int percent, int low, int high) {
  percent = std::clamp(percent, -100, 100);
  if (percent >= 0) return value + (high - value) * percent / 100;
  return value + (value - low) * percent / 100;
}

QPalette base_palette(const QStyle& style) {
  QPalette palette = style.standardPalette();
  palette.setColor(QPalette::Window, QColor(240, 244, 249));
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::AlternateBase, QColor(244, 248, 252));
  palette.setColor(QPalette::Button, QColor(232, 238, 246));
  palette.setColor(QPalette::Highlight, kAccent);
  palette.setColor(QPalette::HighlightedText, Qt::white);
  return palette;
}

}  // namespace

QFont cjk_font(int pixel_size) {
  static const QStringList kFamilies = {
      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
      QStringLiteral("Source Han Sans SC"),  QStringLiteral("Microsoft YaHei"),
      QStringLiteral("PingFang SC"),         QStringLiteral("SimSun"),
  };
  const QStringList installed = QFontDatabase::families();
  QFont font;
  for (const QString& family : kFamilies) {
    if (installed.contains(family)) {
      font.setFamilies({family});
      break;
    }
  }
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixel_size);
  return font;
}

void attach_theme(QApplication& app) {
  app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  app.setPalette(base_palette(*app.style()));
  app.setFont(cjk_font(13));
}

QColor tinted_accent(int hue, int saturation, int brightness) {
  int h = 0, s = 0, v = 0;
  kAccent.getHsv(&h, &s, &v);
  h = ((h + hue) % 360 + 360) % 360;
  return QColor::fromHsv(h, shift_towards(s, saturation, 0, 255),
                         shift_towards(v, brightness, 0, 255));
}

void tint_theme(QWidget& window, int hue, int saturation, int brightness) {
  const QColor accent = tinted_accent(hue, saturation, brightness);
  const QString a = accent.name();
  const QString light = accent.lighter(185).name();
  const QString dark = accent.darker(125).name();
  window.setStyleSheet(
      QStringLiteral("QTabBar::tab { height: 21px; padding: 0px 16px 0px 6px; margin-right: 1px;"
                     " border: 1px solid #b9c6d5; border-bottom: none;"
                     " border-top-left-radius: 3px; border-top-right-radius: 3px;"
                     " background: #e6edf5; }"
                     "QTabBar::tab:selected { background: %1; color: white; border-color: %3; }"
                     "QTabBar::tab:!selected:hover { background: %2; }"
                     "QHeaderView::section { background: %2; border: 0px;"
                     " border-right: 1px solid %1; padding-left: 4px; }"
                     "QPushButton:enabled:hover { border: 1px solid %1; }"
                     "QPushButton:default { border: 1px solid %3; }"
                     "QTableView { selection-background-color: %1; }")
          .arg(a, light, dark));
  QPalette palette = window.palette();
  palette.setColor(QPalette::Highlight, accent);
  window.setPalette(palette);
}

}  // namespace korvane
