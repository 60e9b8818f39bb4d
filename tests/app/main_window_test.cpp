// The program's start-up, main window, menu, button panel and start-up picture, run
// in-process against the simulated adapter.
#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/button_panel.h"
#include "app/logo_wnd.h"
#include "app/main_frame.h"
#include "app/quorvel_app.h"
#include "app/quorvel_view.h"
#include "app/registry/port_settings.h"
#include "app/selected_phone_port.h"
#include "app_test_support.h"
#include "link/comm_link.h"

namespace {

// The program started against an adapter on COM2. With `remembered` the registry already
// names COM2 at 115200, so the start-up finds it at the first try.
struct RunningProgram {
  explicit RunningProgram(bool remembered, sim::Options options = AdapterOn("COM2"))
      : setup(std::move(options)) {
    if (remembered) StorePortSettings(2, 115200);
  }
  bool Start() {
    app = std::make_unique<CQuorvelApp>();
    return app->InitInstance({QStringLiteral("quorvel")});
  }
  // Waits until the start-up picture is gone.
  bool WaitForLogoGone() {
    return QTest::qWaitFor([] { return CLogoWnd::Current() == nullptr; }, 5000);
  }
  CMainFrame& Frame() { return *app->MainFrame(); }
  QAction* Action(const char* name) { return Frame().findChild<QAction*>(QString::fromLatin1(name)); }
  QStringList Checked() {
    QStringList names;
    for (QAction* action : Frame().findChildren<QAction*>())
      if (action->isChecked()) names << action->text();
    names.sort();
    return names;
  }

  SimulatedSetup setup;
  std::unique_ptr<CQuorvelApp> app;
};

// The menu as text: one line per item, "-" for a separator, sub-menus indented.
void DescribeMenu(const QMenu* menu, const QString& indent, QStringList& lines) {
  for (const QAction* action : menu->actions()) {
    if (action->isSeparator()) {
      lines << indent + u'-';
    } else {
      lines << indent + action->text();
      if (action->menu()) DescribeMenu(action->menu(), indent + QStringLiteral("  "), lines);
    }
  }
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void firstRunScansFindsCom2AndStoresIt();
  void rememberedPortAnswersAtOnce();
  void logoStaysOneSecondAndIgnoresInput();
  void windowIsFixedAndCentred();
  void menuTextsAndAccelerators();
  void aboutBox();
  void portAndSpeedCommandsStoreWithoutTraffic();
  void checkMarksFollowSettings_data();
  void checkMarksFollowSettings();
  void resetModem_data();
  void resetModem();
  void viewCommandsFromMenuAndPanel();
  void acceleratorsReachTheView();
  void panelLayoutAndKeys();
  void hotRegionCursor();
};

void MainWindowTest::firstRunScansFindsCom2AndStoresIt() {
  RunningProgram program(false);
  BoxRecorder boxes;
  QVERIFY(program.Start());

  // COM1 first (silent), then COM2 answers and is asked the AODI question.
  QCOMPARE(Traffic(program.setup.Adapter()),
           QStringList({"COM1 115200 AT*MRNIX", "COM2 115200 AT*MRNIX", "COM2 115200 AT$AODI"}));
  QCOMPARE(StoredValue(kComNumValue), std::optional<std::int32_t>(2));
  QCOMPARE(StoredValue(kPortSpeedValue), std::optional<std::int32_t>(115200));
  QCOMPARE(currentPort, 2);
  QCOMPARE(aodiCapable.load(), 1);
  QVERIFY(boxes.boxes.isEmpty());
  QCOMPARE(program.Checked(), QStringList({"112K", "COM2"}));
  QVERIFY(program.Frame().isVisible());
  // The search took over a second (COM1's time-out): the picture went with it.
  QCOMPARE(CLogoWnd::Current(), nullptr);
}

void MainWindowTest::rememberedPortAnswersAtOnce() {
  sim::Options mlppp = AdapterOn("COM2");
  mlppp.aodiModel = false;
  RunningProgram program(true, mlppp);
  QVERIFY(program.Start());
  QCOMPARE(Traffic(program.setup.Adapter()),
           QStringList({"COM2 115200 AT*MRNIX", "COM2 115200 AT$AODI"}));
  QCOMPARE(aodiCapable.load(), 0);
  QCOMPARE(StoredValue(kComNumValue), std::optional<std::int32_t>(2));
}

void MainWindowTest::logoStaysOneSecondAndIgnoresInput() {
  RunningProgram program(true);
  QElapsedTimer sinceStart;
  sinceStart.start();
  QVERIFY(program.Start());

  CLogoWnd* logo = CLogoWnd::Current();
  QVERIFY2(logo, "the search was quick: the picture must still be up");
  QVERIFY(logo->isVisible());
  QCOMPARE(logo->size(), QSize(410, 273));
  QVERIFY(logo->windowFlags() & Qt::FramelessWindowHint);
  QVERIFY(logo->isWindow());
  const QRect work = logo->screen()->availableGeometry();
  QVERIFY(qAbs(logo->frameGeometry().center().x() - work.center().x()) <= 1);
  QVERIFY(qAbs(logo->frameGeometry().center().y() - work.center().y()) <= 1);

  QTest::mouseClick(logo, Qt::LeftButton, {}, QPoint(200, 130));
  QTest::keyClick(logo, Qt::Key_Escape);
  QTest::keyClick(logo, Qt::Key_Space);
  logo->close();
  QCOMPARE(CLogoWnd::Current(), logo);
  QVERIFY(logo->isVisible());

  QVERIFY(program.WaitForLogoGone());
  const qint64 shown = sinceStart.elapsed();
  QVERIFY2(shown >= 1000 && shown < 3000, qPrintable(QString::number(shown)));
  // A second ShowLogo while one is up does nothing; after it is gone it shows again.
  CLogoWnd::ShowLogo(&program.Frame());
  CLogoWnd* again = CLogoWnd::Current();
  QVERIFY(again);
  CLogoWnd::ShowLogo(&program.Frame());
  QCOMPARE(CLogoWnd::Current(), again);
  CLogoWnd::HideLogo();
  QCOMPARE(CLogoWnd::Current(), nullptr);
  CLogoWnd::EnableLogo(false);
  CLogoWnd::ShowLogo(&program.Frame());
  QCOMPARE(CLogoWnd::Current(), nullptr);
}

void MainWindowTest::windowIsFixedAndCentred() {
  RunningProgram program(true);
  QVERIFY(program.Start());
  CMainFrame& frame = program.Frame();
  QCOMPARE(frame.windowTitle(), QStringLiteral("ISDN MODEM Setup"));
  // Outer frame (a window manager's caption and borders included) in the middle of the
  // screen, the client area 105 high and 400 plus half the side borders wide. A window
  // manager adds its frame after the window is shown, so this may take a moment.
  auto placed = [&frame] {
    const QRect screen = frame.screen()->geometry();
    const QRect outer = frame.frameGeometry();
    const int dx = outer.width() - frame.geometry().width();
    return frame.centralWidget()->size() == QSize(400 + dx / 2, 105) &&
           outer.x() == screen.x() + (screen.width() - outer.width()) / 2 &&
           outer.y() == screen.y() + (screen.height() - outer.height()) / 2;
  };
  QTRY_VERIFY(placed());
  QCOMPARE(frame.minimumSize(), frame.maximumSize());
  QVERIFY(!(frame.windowFlags() & Qt::WindowMaximizeButtonHint));
  QVERIFY(frame.windowFlags() & Qt::WindowMinimizeButtonHint);

  const QSize fixed = frame.size();
  frame.resize(fixed + QSize(120, 80));
  QCOMPARE(frame.size(), fixed);
  frame.showMaximized();
  QTRY_VERIFY(!frame.isMaximized());
  QTRY_COMPARE(frame.size(), fixed);
  QTRY_VERIFY(placed());
}

void MainWindowTest::menuTextsAndAccelerators() {
  RunningProgram program(true);
  QVERIFY(program.Start());
  QStringList lines;
  for (QAction* top : program.Frame().menuBar()->actions()) {
    lines << top->text();
    DescribeMenu(top->menu(), QStringLiteral("  "), lines);
  }
  const QStringList expected = {
      "&Setup",
      "  Phone &1...\tCtrl+1",
      "  Phone &2...\tCtrl+2",
      "  &Data Comm...\tCtrl+D",
      "  &Monitor",
      "  -",
      "  Port Setting",
      "    COM &Port",
      "      COM1",
      "      COM2",
      "      COM3",
      "      COM4",
      "    Port Speed",
      "      56K",
      "      112K",
      "      230K",
      "  -",
      "  &Reset Modem data",
      "  -",
      "  E&xit",
      "&Help",
      "  &About Quorvel...",
  };
  QCOMPARE(lines, expected);

  QStringList shortcuts;
  for (QAction* action : program.Frame().findChildren<QAction*>())
    if (!action->shortcut().isEmpty()) shortcuts << action->shortcut().toString(QKeySequence::PortableText);
  shortcuts.sort();
  QCOMPARE(shortcuts, QStringList({"Ctrl+1", "Ctrl+2", "Ctrl+D"}));
}

void MainWindowTest::aboutBox() {
  RunningProgram program(true);
  QVERIFY(program.Start());
  QString title;
  QStringList texts;
  bool iconShown = false;
  QString okText;
  QTimer::singleShot(0, [&] {
    QWidget* about = QApplication::activeModalWidget();
    if (!about) return;
    title = about->windowTitle();
    for (QLabel* label : about->findChildren<QLabel*>()) {
      if (!label->text().isEmpty()) texts << label->text();
      if (!label->pixmap().isNull()) iconShown = true;
    }
    const auto buttons = about->findChildren<QPushButton*>();
    if (buttons.size() == 1) {
      okText = buttons.first()->text();
      buttons.first()->click();
    }
  });
  program.Action("aboutAction")->trigger();
  QCOMPARE(title, QStringLiteral("About Quorvel"));
  QCOMPARE(texts.size(), 2);
  QCOMPARE(texts.first(), QStringLiteral("ISDN MODEM Management Version 1.9.8"));
  QVERIFY(!texts.last().isEmpty());
  QVERIFY(iconShown);
  QCOMPARE(okText, QStringLiteral("OK"));
}

void MainWindowTest::portAndSpeedCommandsStoreWithoutTraffic() {
  RunningProgram program(true);
  QVERIFY(program.Start());
  program.setup.Adapter().ClearLog();

  program.Action("portAction3")->trigger();
  QCOMPARE(StoredValue(kComNumValue), std::optional<std::int32_t>(3));
  QCOMPARE(StoredValue(kPortSpeedValue), std::optional<std::int32_t>(115200));
  QCOMPARE(program.Checked(), QStringList({"112K", "COM3"}));

  program.Action("speedAction230400")->trigger();
  QCOMPARE(StoredValue(kComNumValue), std::optional<std::int32_t>(3));
  QCOMPARE(StoredValue(kPortSpeedValue), std::optional<std::int32_t>(230400));
  QCOMPARE(currentPort, 3);
  QCOMPARE(currentSpeed, 230400);
  QCOMPARE(program.Checked(), QStringList({"230K", "COM3"}));

  QTest::qWait(300);
  for (const char* port : {"COM1", "COM2", "COM3", "COM4", "TELNET"})
    QCOMPARE(program.setup.Adapter().RawBytes(port), std::string());
}

void MainWindowTest::checkMarksFollowSettings_data() {
  QTest::addColumn<int>("port");
  QTest::addColumn<int>("speed");
  QTest::addColumn<QStringList>("checked");
  QTest::newRow("no port") << 0 << 115200 << QStringList({"112K"});
  QTest::newRow("COM1 56K") << 1 << 57600 << QStringList({"56K", "COM1"});
  QTest::newRow("COM4 9600") << 4 << 9600 << QStringList({"COM4"});
  QTest::newRow("TELNET 230K") << 7 << 230400 << QStringList({"230K"});
}

void MainWindowTest::checkMarksFollowSettings() {
  QFETCH(int, port);
  QFETCH(int, speed);
  QFETCH(QStringList, checked);
  RunningProgram program(true);
  QVERIFY(program.Start());
  currentPort = port;
  currentSpeed = speed;
  // The marks are brought up to date as the menu opens.
  emit program.Frame().findChild<QMenu*>(QStringLiteral("setupMenu"))->aboutToShow();
  QCOMPARE(program.Checked(), checked);
}

void MainWindowTest::resetModem_data() {
  QTest::addColumn<int>("port");  // currentPort when the command is given
  QTest::addColumn<int>("answer");
  QTest::addColumn<QString>("sentOn");  // the port that gets the command, if any
  QTest::newRow("No") << 2 << int(QMessageBox::No) << QString();
  QTest::newRow("Yes") << 2 << int(QMessageBox::Yes) << QStringLiteral("COM2");
  // The port chosen in the menu since start-up, even with no adapter answering there.
  QTest::newRow("Yes on COM3") << 3 << int(QMessageBox::Yes) << QStringLiteral("COM3");
  // No port: nothing is sent and nothing more is shown.
  QTest::newRow("Yes without a port") << 0 << int(QMessageBox::Yes) << QString();
}

void MainWindowTest::resetModem() {
  QFETCH(int, port);
  QFETCH(int, answer);
  QFETCH(QString, sentOn);
  RunningProgram program(true);
  QVERIFY(program.Start());
  program.setup.Adapter().ClearLog();
  currentPort = port;

  BoxRecorder boxes({static_cast<QMessageBox::StandardButton>(answer)});
  program.Action("resetAction")->trigger();
  QCOMPARE(boxes.boxes.size(), 1);
  const RecordedBox& box = boxes.boxes.first();
  QCOMPARE(box.caption, QStringLiteral("WARNING!!"));
  QCOMPARE(box.text, QStringLiteral("ISDN MODEM의 모든 설정 내용을 지우겠습니까?"));
  QCOMPARE(box.icon, QMessageBox::Warning);
  QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
  QVERIFY(box.visible);

  QVERIFY(!program.Frame().Link().IsOpen());
  const std::string reset = "AT$RESET\r";
  if (!sentOn.isEmpty())
    QTRY_COMPARE(program.setup.Adapter().RawBytes(sentOn.toStdString()), reset);
  QTest::qWait(300);
  for (const char* each : {"COM1", "COM2", "COM3", "COM4", "TELNET"})
    QCOMPARE(program.setup.Adapter().RawBytes(each), sentOn == QLatin1String(each) ? reset : std::string());
  QCOMPARE(program.setup.Adapter().ResetCount(), sentOn == u"COM2" ? 1 : 0);
  QCOMPARE(boxes.boxes.size(), 1);
}

void MainWindowTest::viewCommandsFromMenuAndPanel() {
  RunningProgram program(true);
  QVERIFY(program.Start());
  CQuorvelView* view = program.Frame().View();
  CButtonPanel* panel = view->Panel();
  QSignalSpy opened(view, &CQuorvelView::windowRequested);
  using W = CQuorvelView::Window;
  auto last = [&] { return opened.takeLast().at(0).value<W>(); };

  program.Action("phone2Action")->trigger();
  QCOMPARE(selectedPhonePort, 2);
  QCOMPARE(last(), W::PhoneSetup);
  program.Action("phone1Action")->trigger();
  QCOMPARE(selectedPhonePort, 1);
  QCOMPARE(last(), W::PhoneSetup);
  QTest::mouseClick(panel->Phone2Button(), Qt::LeftButton);
  QCOMPARE(selectedPhonePort, 2);
  QCOMPARE(last(), W::PhoneSetup);
  QTest::mouseClick(panel->Phone1Button(), Qt::LeftButton);
  QCOMPARE(selectedPhonePort, 1);
  QCOMPARE(last(), W::PhoneSetup);

  aodiCapable = 1;
  program.Action("dataCommAction")->trigger();
  QCOMPARE(last(), W::DataCommAodi);
  QTest::mouseClick(panel->DataCommButton(), Qt::LeftButton);
  QCOMPARE(last(), W::DataCommAodi);
  aodiCapable = 0;
  program.Action("dataCommAction")->trigger();
  QCOMPARE(last(), W::DataCommMlppp);
  QTest::mouseClick(panel->DataCommButton(), Qt::LeftButton);
  QCOMPARE(last(), W::DataCommMlppp);

  program.Action("monitorAction")->trigger();
  QCOMPARE(last(), W::Monitor);
  QVERIFY(opened.isEmpty());
}

void MainWindowTest::acceleratorsReachTheView() {
  RunningProgram program(true);
  QVERIFY(program.Start());
  CMainFrame& frame = program.Frame();
  QVERIFY(program.WaitForLogoGone());
  frame.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&frame));
  QSignalSpy opened(frame.View(), &CQuorvelView::windowRequested);

  QTest::keyClick(&frame, Qt::Key_2, Qt::ControlModifier);
  QCOMPARE(selectedPhonePort, 2);
  QTest::keyClick(&frame, Qt::Key_1, Qt::ControlModifier);
  QCOMPARE(selectedPhonePort, 1);
  aodiCapable = 1;
  QTest::keyClick(&frame, Qt::Key_D, Qt::ControlModifier);
  QCOMPARE(opened.size(), 3);
  QCOMPARE(opened.last().at(0).value<CQuorvelView::Window>(), CQuorvelView::Window::DataCommAodi);
}

void MainWindowTest::panelLayoutAndKeys() {
  RunningProgram program(true);
  QVERIFY(program.Start());
  CButtonPanel* panel = program.Frame().View()->Panel();
  QCOMPARE(panel->geometry(), QRect(0, 0, 400, 102));
  const QPushButton* buttons[] = {panel->Phone1Button(), panel->Phone2Button(),
                                  panel->DataCommButton(), panel->QuitButton()};
  for (int i = 0; i < 4; ++i) {
    QCOMPARE(buttons[i]->geometry(), QRect(100 * i, 0, 100, 32));
    QVERIFY(!buttons[i]->icon().isNull());
    QCOMPARE(buttons[i]->iconSize(), QSize(100, 32));
    QVERIFY(buttons[i]->text().isEmpty());
  }
  auto* strip = panel->findChild<QLabel*>(QStringLiteral("pictureStrip"));
  QVERIFY(strip);
  QCOMPARE(strip->geometry(), QRect(0, 32, 400, 70));
  QVERIFY(!strip->pixmap().isNull());
  QCOMPARE(strip->pixmap().deviceIndependentSize(), QSizeF(400, 70));

  // Enter and Escape leave the panel alone.
  QSignalSpy opened(program.Frame().View(), &CQuorvelView::windowRequested);
  panel->setFocus();
  QTest::keyClick(panel, Qt::Key_Return);
  QTest::keyClick(panel, Qt::Key_Escape);
  QTest::keyClick(panel, Qt::Key_Enter);
  QVERIFY(opened.isEmpty());
  QVERIFY(program.Frame().isVisible());
}

void MainWindowTest::hotRegionCursor() {
  RunningProgram program(true);
  QVERIFY(program.Start());
  CQuorvelView* view = program.Frame().View();
  auto moveTo = [view](QPoint point) {
    QMouseEvent move(QEvent::MouseMove, point, view->mapToGlobal(point), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
  };
  // Below the panel, inside the third region, then outside every region.
  moveTo(QPoint(330, 103));
  QVERIFY(view->HotCursorShown());
  QCOMPARE(view->cursor().shape(), Qt::PointingHandCursor);
  moveTo(QPoint(20, 103));
  QVERIFY(!view->HotCursorShown());
  QCOMPARE(view->cursor().shape(), Qt::ArrowCursor);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
