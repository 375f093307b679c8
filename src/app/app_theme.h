// The program's look: Qt's Fusion style with a palette of our own, a font
// that draws Chinese, and a tint of the main window's accent colour given as
// a style sheet. UI thread only.
#ifndef KORVANE_APP_APP_THEME_H_
#define KORVANE_APP_APP_THEME_H_

#include <QColor>
#include <QFont>
#include <QString>

class QApplication;
class QWidget;

namespace korvane {

// The first installed of a list of CJK fonts, falling back to the default
// sans-serif family, at `pixel_size`.
QFont cjk_font(int pixel_size);

// Start-up's part: Fusion, the base palette and the application font.
void attach_theme(QApplication& app);

// The accent colour shifted by `hue` degrees and by `saturation` and
// `brightness` (each -100..100, a percentage of the way to the end).
QColor tinted_accent(int hue, int saturation, int brightness);

// The main window's part: its style sheet drawn in the tinted accent.
void tint_theme(QWidget& window, int hue, int saturation, int brightness);

}  // namespace korvane

#endif  // KORVANE_APP_APP_THEME_H_
