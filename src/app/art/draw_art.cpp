// Draws the program's pictures into a folder: the welcome picture, the
// program icon, the tab-delete button and the status bar icon. The PNG files
// it writes are kept in src/app/resources and compiled into the program; run
// it again after changing a picture here:
//   cmake --build build --target korvane_draw_art
//   build/src/app/korvane_draw_art -platform offscreen src/app/resources
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

const QColor kDeepBlue(21, 91, 171);
const QColor kSkyBlue(21, 131, 221);
const QColor kAccent(255, 176, 32);

QFont cjk_font(int pixel_size, bool bold) {
  QFont font;
  font.setFamilies({"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Microsoft YaHei", "sans-serif"});
  font.setPixelSize(pixel_size);
  font.setBold(bold);
  return font;
}

// A horseshoe magnet, the program's mark, filling `box`.
void draw_magnet(QPainter& p, const QRectF& box) {
  const qreal w = box.width();
  const qreal arm = w * 0.26;
  QPainterPath outer;
  outer.moveTo(box.left(), box.top());
  outer.lineTo(box.left(), box.top() + box.height() * 0.55);
  outer.arcTo(QRectF(box.left(), box.bottom() - w, w, w), 180, 180);
  outer.lineTo(box.right(), box.top());
  outer.lineTo(box.right() - arm, box.top());
  outer.lineTo(box.right() - arm, box.top() + box.height() * 0.55);
  const qreal inner = w - 2 * arm;
  outer.arcTo(QRectF(box.left() + arm, box.bottom() - w + arm, inner, inner), 0, -180);
  outer.lineTo(box.left() + arm, box.top());
  outer.closeSubpath();
  p.fillPath(outer, QColor(225, 45, 55));
  const QRectF left_tip(box.left(), box.top(), arm, box.height() * 0.2);
  const QRectF right_tip(box.right() - arm, box.top(), arm, box.height() * 0.2);
  p.fillRect(left_tip, QColor(236, 236, 240));
  p.fillRect(right_tip, QColor(236, 236, 240));
}

QImage program_icon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient back(0, 0, 0, size);
  back.setColorAt(0, kSkyBlue);
  back.setColorAt(1, kDeepBlue);
  const qreal r = size * 0.18;
  p.setPen(Qt::NoPen);
  p.setBrush(back);
  p.drawRoundedRect(QRectF(size * 0.04, size * 0.04, size * 0.92, size * 0.92), r, r);
  draw_magnet(p, QRectF(size * 0.24, size * 0.18, size * 0.52, size * 0.62));
  return image;
}

QImage delete_button() {
  QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(205, 52, 52));
  p.drawEllipse(QRectF(1, 1, 14, 14));
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(5, 5), QPointF(11, 11));
  p.drawLine(QPointF(11, 5), QPointF(5, 11));
  return image;
}

QImage status_icon() {
  QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient light(QPointF(6, 6), 8);
  light.setColorAt(0, QColor(170, 240, 160));
  light.setColorAt(1, QColor(40, 160, 60));
  p.setPen(QPen(QColor(30, 110, 40), 1));
  p.setBrush(light);
  p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
  return image;
}

QImage welcome_picture() {
  QImage image(752, 450, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QLinearGradient back(0, 0, 752, 450);
  back.setColorAt(0, QColor(236, 244, 252));
  back.setColorAt(1, QColor(200, 222, 245));
  p.fillRect(image.rect(), back);
  p.fillRect(QRect(0, 0, 752, 120), kSkyBlue);
  p.fillRect(QRect(0, 116, 752, 4), kAccent);

  p.drawImage(QPoint(40, 20), program_icon(80));
  p.setPen(Qt::white);
  p.setFont(cjk_font(34, true));
  p.drawText(QRect(140, 22, 600, 46), Qt::AlignLeft | Qt::AlignVCenter, "KorvaneBT 资源搜索器");
  p.setFont(cjk_font(16, false));
  p.drawText(QRect(142, 68, 600, 30), Qt::AlignLeft | Qt::AlignVCenter,
             "三个引擎 · 五线程翻页 · 磁力链接去重");

  struct Step {
    const char* number;
    const char* text;
  };
  const Step steps[] = {
      {"1", "在左上角选择一个引擎"},
      {"2", "在搜索框输入关键字"},
      {"3", "按回车或点击“开始搜索”"},
      {"4", "右键点击结果：下载、复制链接或复制整行"},
      {"5", "点击“名称”或“大小”列头排序，再点一次反向"},
  };
  int y = 150;
  for (const Step& step : steps) {
    p.setPen(Qt::NoPen);
    p.setBrush(kSkyBlue);
    p.drawEllipse(QRect(70, y, 30, 30));
    p.setPen(Qt::white);
    p.setFont(cjk_font(16, true));
    p.drawText(QRect(70, y, 30, 30), Qt::AlignCenter, step.number);
    p.setPen(QColor(40, 52, 70));
    p.setFont(cjk_font(18, false));
    p.drawText(QRect(116, y, 560, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8(step.text));
    y += 50;
  }
  p.setPen(QColor(90, 110, 135));
  p.setFont(cjk_font(13, false));
  p.drawText(QRect(0, 410, 730, 30), Qt::AlignRight | Qt::AlignVCenter,
             "每次搜索都有自己的标签页，点标签上的 × 可关闭");
  return image;
}

bool save(const QImage& image, const QDir& dir, const char* name) {
  const QString path = dir.filePath(name);
  if (!image.save(path, "PNG", 9)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: %s -platform offscreen OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  QDir dir(args[1]);
  bool ok = save(welcome_picture(), dir, "welcome.png");
  ok = save(program_icon(256), dir, "korvane.png") && ok;
  ok = save(program_icon(32), dir, "korvane-32.png") && ok;
  ok = save(delete_button(), dir, "delete_tab.png") && ok;
  ok = save(status_icon(), dir, "status.png") && ok;
  return ok ? 0 : 1;
}
