// First run with no adapter anywhere: the whole scan (about 12 s), the warning, port 0
// stored, and the program kept painting and running its timers all the while.
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/logo_wnd.h"
#include "app/main_frame.h"
#include "app/quorvel_app.h"
#include "app/registry/port_settings.h"
#include "app_test_support.h"

namespace {

// Counts the paint events that reach the start-up picture.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

class NoAdapterTest : public QObject {
  Q_OBJECT

 private slots:
  void warnsStoresPortZeroAndKeepsPainting();
};

void NoAdapterTest::warnsStoresPortZeroAndKeepsPainting() {
  SimulatedSetup setup(AdapterOn(""));
  BoxRecorder boxes;

  int ticks = 0;
  PaintCounter logoPaints;
  CLogoWnd* watchedLogo = nullptr;
  bool mainWindowShownDuringSearch = false;
  std::unique_ptr<CQuorvelApp> app;
  QTimer heartbeat;
  heartbeat.setInterval(100);
  QObject::connect(&heartbeat, &QTimer::timeout, [&] {
    ++ticks;
    if (CLogoWnd* logo = CLogoWnd::Current()) {
      if (logo != watchedLogo) logo->installEventFilter(&logoPaints);
      watchedLogo = logo;
      logo->update();
      if (app && app->MainFrame() && app->MainFrame()->isVisible()) mainWindowShownDuringSearch = true;
    }
  });
  heartbeat.start();

  QElapsedTimer clock;
  clock.start();
  app = std::make_unique<CQuorvelApp>();
  QVERIFY(app->InitInstance({QStringLiteral("quorvel")}));
  const qint64 elapsed = clock.elapsed();
  heartbeat.stop();

  // Eight candidates of 1500 ms, no remembered try.
  QVERIFY2(elapsed >= 11500 && elapsed < 20000, qPrintable(QString::number(elapsed)));
  QStringList expected;
  for (const char* speed : {"115200", "230400"})
    for (const char* port : {"COM1", "COM2", "COM3", "COM4"})
      expected << QStringLiteral("%1 %2 AT*MRNIX").arg(port, speed);
  QCOMPARE(Traffic(setup.Adapter()), expected);

  QCOMPARE(boxes.boxes.size(), 1);
  const RecordedBox& box = boxes.boxes.first();
  QCOMPARE(box.caption, QStringLiteral("Quorvel Program"));
  QCOMPARE(box.text, QStringLiteral("MODEM이 꺼있거나 찾을수가 없습니다."));
  QCOMPARE(box.icon, QMessageBox::Warning);
  QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  QVERIFY(box.visible);
  QVERIFY2(!box.logoShown, "the picture goes once the search is over");
  QVERIFY2(!box.mainWindowShown, "the warning comes before the main window");

  QCOMPARE(StoredValue(kComNumValue), std::optional<std::int32_t>(0));
  QCOMPARE(StoredValue(kPortSpeedValue), std::optional<std::int32_t>(115200));
  QCOMPARE(currentPort, 0);
  QStringList checked;
  for (QAction* action : app->MainFrame()->findChildren<QAction*>())
    if (action->isChecked()) checked << action->text();
  QCOMPARE(checked, QStringList({"112K"}));
  QVERIFY(app->MainFrame()->isVisible());

  // The event loop kept turning during the search: timers ran and the picture was up.
  QVERIFY2(ticks >= 80, qPrintable(QString::number(ticks)));
  QVERIFY2(logoPaints.paints >= 80, qPrintable(QString::number(logoPaints.paints)));
  // The main window opens only after the search and the warning.
  QVERIFY(!mainWindowShownDuringSearch);
}

QTEST_MAIN(NoAdapterTest)
#include "no_adapter_test.moc"
