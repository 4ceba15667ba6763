// tarvex-viewer: the Tarvex Data Viewer program.
//
//   tarvex-viewer                       the viewer; its start-up folder (where
//                                       the Open dialogs start) is the current one
//   tarvex-viewer --open FILE [--screenshot PNG]
//                                       opens the data history FILE once the
//                                       history window is shown (as "Open
//                                       History File" does, the dialog answered
//                                       with FILE); with --screenshot saves a
//                                       picture of the main window to PNG, says
//                                       where, and ends
//   tarvex-viewer --review-dir DIR --reviewers FILE
//                                       keeps review records in DIR and trusts
//                                       the reviewers of FILE for this run
//                                       (instead of the Review Settings)
//   tarvex-viewer --date-order mdy|dmy|ymd
//                                       reads every file's dates in that order
//                                       instead of the order their own dates
//                                       decide
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <cstdio>
#include <memory>

#include "history/viewer_app.h"
#include "shell/runtime_folder.h"

namespace {

// --help and --version need no display.
bool infoOnly(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const QByteArray a(argv[i]);
    if (a == "-h" || a == "--help" || a == "-?" || a == "-v" || a == "--version") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // Without a session's runtime folder, a private one of our own (the
  // running-copy lock lives there).
  tarvex::provideRuntimeFolder();
  std::unique_ptr<QCoreApplication> application;
  if (infoOnly(argc, argv))
    application = std::make_unique<QCoreApplication>(argc, argv);
  else
    application = std::make_unique<QApplication>(argc, argv);
  QCoreApplication& app = *application;
  tarvex::setApplicationIdentity(QStringLiteral(TARVEX_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Tarvex Data Viewer"));
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption openOption(QStringLiteral("open"),
                                QStringLiteral("Open the data history FILE at start-up."),
                                QStringLiteral("FILE"));
  QCommandLineOption shotOption(
      QStringLiteral("screenshot"),
      QStringLiteral("Save a picture of the window to PNG after start-up, then end."),
      QStringLiteral("PNG"));
  QCommandLineOption orderOption(
      QStringLiteral("date-order"),
      QStringLiteral("Read the dates of every file as mdy (month/day/year), dmy or ymd instead "
                     "of the order their own dates decide."),
      QStringLiteral("ORDER"));
  QCommandLineOption reviewDirOption(
      QStringLiteral("review-dir"),
      QStringLiteral("Keep review records in DIR instead of beside the data files (this run)."),
      QStringLiteral("DIR"));
  QCommandLineOption reviewersOption(
      QStringLiteral("reviewers"), QStringLiteral("Trust the reviewers listed in FILE (this run)."),
      QStringLiteral("FILE"));
  parser.addOption(reviewDirOption);
  parser.addOption(reviewersOption);
  parser.addOption(openOption);
  parser.addOption(shotOption);
  parser.addOption(orderOption);
  parser.process(app);

  std::optional<tarvex::DateOrder> dateOrder;
  if (parser.isSet(orderOption)) {
    dateOrder = tarvex::dateOrderFromName(parser.value(orderOption));
    if (!dateOrder) {
      std::fprintf(stderr, "tarvex-viewer: --date-order needs mdy, dmy or ymd, not %s\n",
                   qPrintable(parser.value(orderOption)));
      return 2;
    }
  }

  tarvex::ViewerApp::Options options;
  options.dateOrder = dateOrder;
  if (parser.isSet(openOption))
    options.openFile = QDir::current().absoluteFilePath(parser.value(openOption));
  if (parser.isSet(reviewDirOption))
    options.reviewDir = QDir::current().absoluteFilePath(parser.value(reviewDirOption));
  if (parser.isSet(reviewersOption))
    options.reviewersFile = QDir::current().absoluteFilePath(parser.value(reviewersOption));
  if (parser.isSet(shotOption))
    options.screenshot = QDir::current().absoluteFilePath(parser.value(shotOption));
  tarvex::ViewerApp viewer(options);
  if (!viewer.start()) return 1;
  return app.exec();
}
