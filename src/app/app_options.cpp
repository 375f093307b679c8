#include "app/app_options.h"

#include <QCommandLineParser>

namespace korvane {
namespace {

void add_options(QCommandLineParser& parser) {
  parser.setApplicationDescription(
      QStringLiteral("KorvaneBT资源搜索器: searches BitTorrent index sites."));
  parser.addOption({QStringLiteral("demo"),
                    QStringLiteral("Start the demo sites on this machine and search them.")});
  parser.addOption({QStringLiteral("host"),
                    QStringLiteral("Point engine N at HOST[:PORT]; may be given for each engine."),
                    QStringLiteral("N=HOST[:PORT]")});
  parser.addHelpOption();
}

}  // namespace

bool parse_app_options(const QStringList& arguments, int engine_count, AppOptions& options,
                       QString& error) {
  QCommandLineParser parser;
  add_options(parser);
  if (!parser.parse(arguments)) {
    error = parser.errorText();
    return false;
  }
  if (!parser.positionalArguments().isEmpty()) {
    error = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().front());
    return false;
  }
  options.demo = parser.isSet(QStringLiteral("demo"));
  for (const QString& value : parser.values(QStringLiteral("host"))) {
    if (!parse_host_override(value.toStdString(), engine_count, options.hosts)) {
      error = QStringLiteral("--host wants N=HOST[:PORT] with N from 1 to %1, not \"%2\"")
                  .arg(engine_count)
                  .arg(value);
      return false;
    }
  }
  return true;
}

QString app_usage() {
  QCommandLineParser parser;
  add_options(parser);
  QString text = parser.helpText();
  return text.replace(QStringLiteral("<executable_name>"), QStringLiteral("korvane"));
}

}  // namespace korvane
