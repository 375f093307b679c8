// The program's message box: information icon, an OK button, modal to the
// application. UI thread only.
#ifndef KORVANE_APP_NOTICE_BOX_H_
#define KORVANE_APP_NOTICE_BOX_H_

#include <QString>

class QWidget;

namespace korvane {

// The caption of the search code's message boxes.
inline const char* const kNoticeCaption = "提示";

// Shows `text` under `caption` and returns when the user has closed it.
void show_notice(QWidget* parent, const QString& text,
                 const QString& caption = QString::fromUtf8(kNoticeCaption));

}  // namespace korvane

#endif  // KORVANE_APP_NOTICE_BOX_H_
