// A private PostgreSQL server for one test program: initdb and pg_ctl in a
// temporary folder, reachable only through a Unix socket there. When the
// tests run as root (as CI does) the server runs as the `postgres` user,
// since PostgreSQL refuses to run as root.
#pragma once

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <memory>

namespace tarvex::test {

class PgServer {
 public:
  // Starts a server; null with `why` set when PostgreSQL's server programs
  // are not installed. A server that is installed but does not start is a
  // failure: the program aborts with its log.
  static std::unique_ptr<PgServer> start(QString* why) {
    QString bin;
    for (const QString& v : QDir(QStringLiteral("/usr/lib/postgresql"))
                                .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
      if (QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(v)))
        bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(v);
    if (bin.isEmpty()) {
      *why = QStringLiteral("PostgreSQL's server programs (initdb, pg_ctl) are not installed");
      return nullptr;
    }
    std::unique_ptr<PgServer> s(new PgServer(bin));
    s->run(QStringLiteral("initdb"),
           {QStringLiteral("-D"), s->data(), QStringLiteral("-A"), QStringLiteral("trust"),
            QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("--no-sync"),
            QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C")});
    s->run(QStringLiteral("pg_ctl"),
           {QStringLiteral("-D"), s->data(), QStringLiteral("-l"), s->dir_.filePath("log"),
            QStringLiteral("-w"), QStringLiteral("-o"),
            QStringLiteral("-k %1 -c listen_addresses='' -c fsync=off").arg(s->dir_.path()),
            QStringLiteral("start")});
    s->running_ = true;
    return s;
  }

  ~PgServer() {
    if (running_)
      run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), data(), QStringLiteral("-m"),
                                     QStringLiteral("immediate"), QStringLiteral("stop")});
  }

  // A new, empty database and the URL that names it.
  QString newDatabase(const QString& name) {
    {
      QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("admin"));
      db.setHostName(dir_.path());
      db.setUserName(QStringLiteral("postgres"));
      db.setDatabaseName(QStringLiteral("postgres"));
      if (!db.open()) qFatal("cannot reach the test server: %s", qPrintable(db.lastError().text()));
      QSqlQuery q(db);
      if (!q.exec(QStringLiteral("CREATE DATABASE ") + name))
        qFatal("CREATE DATABASE: %s", qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    return url(name);
  }
  QString url(const QString& name) const {
    return QStringLiteral("postgresql://postgres@/%1?host=%2").arg(name, dir_.path());
  }
  QString socketDir() const { return dir_.path(); }

 private:
  explicit PgServer(QString bin) : bin_(std::move(bin)) {
    if (::geteuid() == 0) {
      // The folder belongs to the server's user, who must write there.
      const passwd* pw = ::getpwnam("postgres");
      if (!pw) qFatal("the tests run as root and there is no postgres user to run the server");
      if (::chown(QFile::encodeName(dir_.path()).constData(), pw->pw_uid, pw->pw_gid) != 0)
        qFatal("cannot hand %s to postgres", qPrintable(dir_.path()));
    }
  }
  QString data() const { return dir_.filePath(QStringLiteral("data")); }
  void run(const QString& tool, const QStringList& args) {
    QProcess p;
    const QString program = bin_ + u'/' + tool;
    if (::geteuid() == 0)
      p.start(QStringLiteral("runuser"),
              QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"),
                          program} +
                  args);
    else
      p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
      QFile log(dir_.filePath(QStringLiteral("log")));
      log.open(QIODevice::ReadOnly);
      qFatal("%s failed: %s%s\n%s", qPrintable(tool), p.readAllStandardOutput().constData(),
             p.readAllStandardError().constData(), log.readAll().constData());
    }
  }

  QTemporaryDir dir_;
  QString bin_;
  bool running_ = false;
};

}  // namespace tarvex::test
