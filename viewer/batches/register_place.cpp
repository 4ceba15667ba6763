#include "batches/register_place.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QUrlQuery>

#include "shell/runtime_error.h"

namespace tarvex {

QString defaultRegisterPath() {
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (base.isEmpty() || QDir::isRelativePath(base))
    base = QDir::homePath() + QStringLiteral("/.local/share");
  return QDir::cleanPath(base + QStringLiteral("/tarvex/batches.sqlite"));
}

RegisterPlace registerPlaceOf(const QString& given) {
  RegisterPlace p;
  const QString text = given.trimmed();
  if (text.isEmpty()) {
    p.sqlitePath = defaultRegisterPath();
    p.display = p.sqlitePath;
    p.isDefault = true;
    return p;
  }
  if (!text.startsWith(u"postgresql://", Qt::CaseInsensitive) &&
      !text.startsWith(u"postgres://", Qt::CaseInsensitive)) {
    p.sqlitePath = QFileInfo(text).absoluteFilePath();
    p.display = p.sqlitePath;
    return p;
  }
  const QUrl url(text, QUrl::StrictMode);
  auto refuse = [&](const QString& why) {
    return RuntimeError(
        err::InvalidCall,
        QStringLiteral("The register URL %1 %2").arg(url.toString(QUrl::RemovePassword), why));
  };
  if (!url.isValid())
    throw RuntimeError(err::InvalidCall,
                       QStringLiteral("The register URL does not read: ") + url.errorString());
  if (!url.password().isEmpty())
    throw refuse(QStringLiteral("holds a password: put it in ~/.pgpass instead"));
  p.kind = RegisterPlace::Kind::PostgreSQL;
  p.host = url.host();
  p.port = url.port(-1);
  p.user = url.userName();
  p.database = url.path().mid(1);
  if (p.database.contains(u'/')) throw refuse(QStringLiteral("names no single database"));
  QStringList options;
  for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
    if (key == u"host")
      p.host = value;
    else if (key == u"port")
      p.port = value.toInt();
    else if (key == u"user")
      p.user = value;
    else if (key == u"dbname")
      p.database = value;
    else if (key == u"password")
      throw refuse(QStringLiteral("holds a password: put it in ~/.pgpass instead"));
    else if (value.contains(u';') || value.contains(u' ') || key.contains(u'=') ||
             key.contains(u' '))
      throw refuse(QStringLiteral("has a parameter that cannot be passed on: ") + key);
    else
      options << key + u'=' + value;
  }
  p.options = options.join(u';');
  p.display = url.toString(QUrl::RemovePassword);
  return p;
}

}  // namespace tarvex
