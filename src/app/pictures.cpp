#include "app/pictures.h"

#include <QtGlobal>

// Resources of a static library are registered by hand, outside any namespace.
static void register_korvane_resources() { Q_INIT_RESOURCE(korvane); }

namespace korvane {
namespace {

QString resource(const char* name) {
  static const bool registered = (register_korvane_resources(), true);
  (void)registered;
  return QStringLiteral(":/korvane/") + QString::fromLatin1(name);
}

}  // namespace

QPixmap welcome_picture() { return QPixmap(resource("welcome.png")); }

QIcon program_icon() {
  QIcon icon(resource("korvane.png"));
  icon.addFile(resource("korvane-32.png"), QSize(32, 32));
  return icon;
}

QIcon delete_tab_icon() { return QIcon(resource("delete_tab.png")); }

QPixmap status_icon() { return QPixmap(resource("status.png")); }

}  // namespace korvane
