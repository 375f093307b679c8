// The program's own pictures, compiled in from resources/ (drawn by
// art/draw_art.cpp). UI thread only.
#ifndef KORVANE_APP_PICTURES_H_
#define KORVANE_APP_PICTURES_H_

#include <QIcon>
#include <QPixmap>

namespace korvane {

QPixmap welcome_picture();  // 752 x 450
QIcon program_icon();
QIcon delete_tab_icon();  // 16 x 16
QPixmap status_icon();    // 16 x 16

}  // namespace korvane

#endif  // KORVANE_APP_PICTURES_H_
