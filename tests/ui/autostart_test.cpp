// The autostart helper's argument, its quoting of the program path and the
// entry it writes and removes.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "autostart_entry.h"

using namespace velmora::autostart;

class AutostartTest : public QObject {
  Q_OBJECT
private slots:
  void argument_forms();
  void exec_value_quotes_and_escapes();
  void entry_is_written_and_removed();
};

void AutostartTest::argument_forms() {
  Request r;
  QVERIFY(parse_argument(" 1_/opt/velmora/velmora", r));
  QVERIFY(r.enable);
  QCOMPARE(r.program, QString("/opt/velmora/velmora"));
  QVERIFY(parse_argument("0_/a b/velmora", r));
  QVERIFY(!r.enable);
  QCOMPARE(r.program, QString("/a b/velmora"));
  for (const char* bad : {"", " 1", " 2_/x", " 1-/x", " 1_relative/x", " 1_"})
    QVERIFY2(!parse_argument(bad, r), bad);
  QVERIFY(!parse_argument(" 1_/x\nExec=/bin/evil", r));
}

void AutostartTest::exec_value_quotes_and_escapes() {
  QCOMPARE(exec_value("/opt/velmora"), QString("\"/opt/velmora\""));
  QCOMPARE(exec_value("/a b/v"), QString("\"/a b/v\""));
  QCOMPARE(exec_value("/a\"b$c`d"), QString("\"/a\\\\\"b\\\\$c\\\\`d\""));
  QCOMPARE(exec_value("/a\\b"), QString("\"/a\\\\\\\\b\""));
  QCOMPARE(exec_value("/100%/v"), QString("\"/100%%/v\""));
}

void AutostartTest::entry_is_written_and_removed() {
  QTemporaryDir dir;
  qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
  const QString path = dir.path() + "/autostart/velmora.desktop";
  QCOMPARE(entry_path(), path);
  QString error;
  QVERIFY(apply({true, "/opt/v m/velmora"}, error));
  QFile f(path);
  QVERIFY(f.open(QIODevice::ReadOnly));
  const QByteArray text = f.readAll();
  QVERIFY(text.startsWith("[Desktop Entry]\n"));
  QVERIFY(text.contains("\nExec=\"/opt/v m/velmora\"\n"));
  QVERIFY(text.contains("\nType=Application\n"));
  f.close();
  QVERIFY(apply({false, "/opt/v m/velmora"}, error));
  QVERIFY(!QFile::exists(path));
  QVERIFY(apply({false, "/opt/v m/velmora"}, error));  // nothing to remove

  // A folder that cannot be created is a failure with a reason.
  QFile blocker(dir.path() + "/file");
  QVERIFY(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  qputenv("XDG_CONFIG_HOME", (dir.path() + "/file").toUtf8());
  QVERIFY(!apply({true, "/opt/velmora"}, error));
  QVERIFY(!error.isEmpty());
  qunsetenv("XDG_CONFIG_HOME");
}

QTEST_GUILESS_MAIN(AutostartTest)
#include "autostart_test.moc"
