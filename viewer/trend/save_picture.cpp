#include "trend/save_picture.h"

namespace tarvex {

namespace {

QString upper(const QString& format) {
  return format.compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0 ? QStringLiteral("Jpeg")
                                                                        : format.toUpper();
}

}  // namespace

FileDialogSettings pictureDialogSettings(const QString& format, const QString& caption) {
  const QString ext = format.toLower();
  FileDialogSettings s;
  s.title = QStringLiteral("Save trend %1 as?").arg(upper(format));
  s.filter = QStringLiteral("%1 Files(*.%2)|*.%2").arg(upper(format), ext);
  s.fileName = caption + QLatin1Char('.') + ext;
  s.defaultExt = QLatin1Char('.') + ext;
  s.flags = cdl::OverwritePrompt | cdl::ReadOnlyHidden;
  return s;
}

bool savePlotPictureAs(UserInterface& ui, TrendPlot& plot, const QString& format,
                       const QString& caption) {
  try {
    const QString path = ui.showSave(pictureDialogSettings(format, caption));
    plot.savePicture(path, format.toLower());
    return true;
  } catch (const RuntimeError& e) {
    if (e.number() == err::Cancel) return false;
  } catch (const std::exception&) {
  }
  ui.msgBoxPos(
      QStringLiteral("%1 file can not be saved. Check filename or disk space").arg(upper(format)),
      mb::Critical);
  return false;
}

}  // namespace tarvex
