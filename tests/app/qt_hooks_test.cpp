// The program's wait hook and message-box notifier, which the core uses without knowing
// about Qt.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

#include "app/message_box.h"
#include "app/qt_notifier.h"
#include "app/qt_wait_hook.h"
#include "app_test_support.h"
#include "platform/auto_reset_event.h"

using namespace std::chrono_literals;

namespace {

class InstalledWaitHook {
 public:
  InstalledWaitHook() { platform::SetWaitHook(&hook); }
  ~InstalledWaitHook() { platform::SetWaitHook(nullptr); }

 private:
  QtWaitHook hook;
};

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

}  // namespace

class QtHooksTest : public QObject {
  Q_OBJECT

 private slots:
  void waitEndsWhenAnotherThreadSetsTheEvent();
  void waitTimesOutWithoutSpinning();
  void waitKeepsTimersAndShowsWaitCursor();
  void otherThreadsWaitPlainly();
  void notifierShowsWarningBox();
  void readerBoxWaitsForDismissal();
  void readerBoxReturnsWhenLinkCloses();
};

void QtHooksTest::waitEndsWhenAnotherThreadSetsTheEvent() {
  InstalledWaitHook installed;
  platform::AutoResetEvent event;
  std::jthread setter([&] {
    std::this_thread::sleep_for(200ms);
    event.Set();
  });
  QElapsedTimer clock;
  clock.start();
  QVERIFY(event.Wait(5000ms));
  QVERIFY2(clock.elapsed() >= 150 && clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
  // The signal was consumed.
  QVERIFY(!event.TryConsume());
}

void QtHooksTest::waitTimesOutWithoutSpinning() {
  InstalledWaitHook installed;
  platform::AutoResetEvent event;
  QElapsedTimer clock;
  clock.start();
  const double cpuBefore = CpuSeconds();
  QVERIFY(!event.Wait(800ms));
  const double cpu = CpuSeconds() - cpuBefore;
  QVERIFY2(clock.elapsed() >= 780 && clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
  QVERIFY2(cpu < 0.3, qPrintable(QString::number(cpu)));
  QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void QtHooksTest::waitKeepsTimersAndShowsWaitCursor() {
  InstalledWaitHook installed;
  platform::AutoResetEvent event;
  int ticks = 0;
  bool waitCursor = true;
  QTimer timer;
  timer.setInterval(50);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    ++ticks;
    const QCursor* cursor = QGuiApplication::overrideCursor();
    waitCursor = waitCursor && cursor && cursor->shape() == Qt::WaitCursor;
    if (ticks == 6) event.Set();  // on the waiting thread itself
  });
  timer.start();
  QVERIFY(event.Wait(5000ms));
  QCOMPARE(ticks, 6);
  QVERIFY(waitCursor);
  QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void QtHooksTest::otherThreadsWaitPlainly() {
  InstalledWaitHook installed;
  platform::AutoResetEvent event;
  std::atomic<bool> result{false};
  std::atomic<bool> done{false};
  std::jthread waiter([&] {
    result = event.Wait(3000ms);
    done = true;
  });
  std::this_thread::sleep_for(100ms);
  event.Set();
  QTRY_VERIFY_WITH_TIMEOUT(done.load(), 2000);
  QVERIFY(result.load());
}

void QtHooksTest::notifierShowsWarningBox() {
  QtNotifier notifier;
  BoxRecorder boxes;
  notifier.Show({"Quorvel Program", "포트를 열 수 없습니다.", platform::MessageIcon::Warning});
  QCOMPARE(boxes.boxes.size(), 1);
  QCOMPARE(boxes.boxes[0].caption, QStringLiteral("Quorvel Program"));
  QCOMPARE(boxes.boxes[0].text, QStringLiteral("포트를 열 수 없습니다."));
  QCOMPARE(boxes.boxes[0].icon, QMessageBox::Warning);
  QCOMPARE(boxes.boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  QVERIFY(boxes.boxes[0].visible);
}

// The box runs its own loop on this (the user-interface) thread; everything about it is
// looked at from inside that loop, through the observer.
void QtHooksTest::readerBoxWaitsForDismissal() {
  QtNotifier notifier;
  std::atomic<bool> returned{false};
  RecordedBox seen;
  bool returnedWhileShown = true;
  SetMessageBoxObserver([&](QMessageBox& box) {
    seen.caption = box.windowTitle();
    seen.text = box.text();
    seen.visible = box.isVisible();
    QTest::qWait(300);
    returnedWhileShown = returned.load();
    box.button(QMessageBox::Ok)->click();
  });
  std::stop_source stop;
  std::jthread reader([&] {
    notifier.ShowFromReader({"Error", "ERROR", platform::MessageIcon::None}, stop.get_token());
    returned = true;
  });
  QTRY_VERIFY(returned.load());
  SetMessageBoxObserver({});
  QCOMPARE(seen.caption, QStringLiteral("Error"));
  QCOMPARE(seen.text, QStringLiteral("ERROR"));
  QVERIFY(seen.visible);
  QVERIFY2(!returnedWhileShown, "the reader went on before the box was dismissed");
}

void QtHooksTest::readerBoxReturnsWhenLinkCloses() {
  QtNotifier notifier;
  std::atomic<bool> returned{false};
  std::stop_source stop;
  bool returnedWhileShown = false;
  bool stillShown = false;
  SetMessageBoxObserver([&](QMessageBox& box) {
    // The link closes while the box is still up; the reader must not wait for the user.
    stop.request_stop();
    returnedWhileShown = QTest::qWaitFor([&] { return returned.load(); }, 3000);
    stillShown = box.isVisible();
    box.button(QMessageBox::Ok)->click();
  });
  std::jthread reader([&] {
    notifier.ShowFromReader({"Error", "ERROR", platform::MessageIcon::None}, stop.get_token());
    returned = true;
  });
  QTRY_VERIFY(returned.load());
  SetMessageBoxObserver({});
  QVERIFY(returnedWhileShown);
  QVERIFY(stillShown);
}

QTEST_MAIN(QtHooksTest)
#include "qt_hooks_test.moc"
