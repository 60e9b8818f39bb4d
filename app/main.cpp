// quorvel: the ISDN modem configuration program.
#include <QApplication>

#include "app/automation.h"
#include "app/main_frame.h"
#include "app/quorvel_app.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  CQuorvelApp quorvel;
  InstallAutomationObserver();
  if (!quorvel.InitInstance(QApplication::arguments())) return 1;
  StartAutomationActions(*quorvel.MainFrame());
  // 0 from the panel's quit button, 1 when the main window was closed.
  return QApplication::exec();
}
