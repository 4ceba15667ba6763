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
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <cstdio>
#include <memory>

#include "history/viewer_app.h"

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
  parser.addOption(openOption);
  parser.addOption(shotOption);
  parser.process(app);

  tarvex::ViewerApp::Options options;
  if (parser.isSet(openOption))
    options.openFile = QDir::current().absoluteFilePath(parser.value(openOption));
  if (parser.isSet(shotOption))
    options.screenshot = QDir::current().absoluteFilePath(parser.value(shotOption));
  tarvex::ViewerApp viewer(options);
  if (!viewer.start()) return 1;
  return app.exec();
}
