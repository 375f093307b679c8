#include "app/app_options.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

bool parse(QStringList args, AppOptions& options, QString& error) {
  args.prepend(QStringLiteral("korvane"));
  return parse_app_options(args, 3, options, error);
}

TEST(AppOptions, ReadsDemoAndHosts) {
  AppOptions options;
  QString error;
  ASSERT_TRUE(
      parse({"--demo", "--host", "2=127.0.0.1:8080", "--host=3=example.org"}, options, error))
      << error.toStdString();
  EXPECT_TRUE(options.demo);
  EXPECT_EQ(options.hosts, (HostOverrides{{2, "127.0.0.1:8080"}, {3, "example.org"}}));

  AppOptions none;
  ASSERT_TRUE(parse({}, none, error));
  EXPECT_FALSE(none.demo);
  EXPECT_TRUE(none.hosts.empty());
}

TEST(AppOptions, RefusesWhatItCannotUse) {
  const QStringList bad[] = {
      {"--host", "4=example.org"},         // no engine 4
      {"--host", "1=http://example.org"},  // a scheme
      {"--host", "1=example.org/path"},
      {"--host", "example.org"},
      {"--host"},
      {"--colour"},
      {"电影"},
  };
  for (const QStringList& args : bad) {
    AppOptions options;
    QString error;
    EXPECT_FALSE(parse(args, options, error)) << args.join(' ').toStdString();
    EXPECT_FALSE(error.isEmpty());
  }
}

}  // namespace
}  // namespace korvane
