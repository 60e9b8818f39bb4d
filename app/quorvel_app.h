// CQuorvelApp: the program's start-up. InitInstance installs the message boxes and the
// wait hook for the core, creates the main window (which shows the start-up picture and
// finds the adapter before it is first shown), its view, and shows it centred.
// The QApplication itself belongs to main(), so the tests can run all of this in-process.
#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

#include "app/qt_notifier.h"
#include "app/qt_wait_hook.h"

class CMainFrame;

class CQuorvelApp : public QObject {
  Q_OBJECT

 public:
  CQuorvelApp();
  ~CQuorvelApp() override;

  // True to run the event loop, false to end at once.
  bool InitInstance(const QStringList& arguments);
  CMainFrame* MainFrame() const { return mainFrame.get(); }

 public slots:
  void OnAppAbout();

 private:
  QtNotifier notifier;
  QtWaitHook waitHook;
  std::unique_ptr<CMainFrame> mainFrame;
};
