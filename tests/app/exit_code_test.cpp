// The program run as a process: the quit button ends it with 0, closing the main window
// (close button or "E&xit") with 1.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include "app_test_support.h"

class ExitCodeTest : public QObject {
  Q_OBJECT

 private slots:
  void exitCodes_data();
  void exitCodes();
};

void ExitCodeTest::exitCodes_data() {
  QTest::addColumn<QString>("action");
  QTest::addColumn<int>("exitCode");
  QTest::newRow("quit button") << QStringLiteral("quit-button") << 0;
  QTest::newRow("close button") << QStringLiteral("close") << 1;
  QTest::newRow("Exit menu") << QStringLiteral("exit-menu") << 1;
}

void ExitCodeTest::exitCodes() {
  QFETCH(QString, action);
  QFETCH(int, exitCode);
  SimulatedSetup setup(AdapterOn("COM2"));
  StorePortSettings(2, 115200);
  QTemporaryDir work;
  const QString boxLog = work.filePath(QStringLiteral("boxes.log"));

  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("QUORVEL_PORTS_DIR"), setup.PortsDir());
  environment.insert(QStringLiteral("QUORVEL_REGISTRY_DIR"), setup.RegistryDir());
  environment.insert(QStringLiteral("QUORVEL_TEST_LOG"), boxLog);
  environment.insert(QStringLiteral("QUORVEL_TEST_ACTIONS"), action);
  program.setProcessEnvironment(environment);
  program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  program.start(QStringLiteral(QUORVEL_EXECUTABLE), {});
  QVERIFY(program.waitForStarted());
  QVERIFY2(program.waitForFinished(20000), "the program did not end");
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), exitCode);
  // It found the adapter, so it showed no box on the way.
  QVERIFY(!QFile::exists(boxLog));
  QCOMPARE(Traffic(setup.Adapter()),
           QStringList({"COM2 115200 AT*MRNIX", "COM2 115200 AT$AODI"}));
}

QTEST_GUILESS_MAIN(ExitCodeTest)
#include "exit_code_test.moc"
