#include "app/quorvel_app.h"

#include <QApplication>
#include <QPalette>

#include "app/about_box.h"
#include "app/logo_wnd.h"
#include "app/main_frame.h"
#include "app/pictures.h"
#include "platform/auto_reset_event.h"
#include "platform/notifier.h"

namespace {

// Start-up switches that, as on the program's first platform, mean "started by another
// program": no start-up picture then.
bool ShowsLogo(const QStringList& arguments) {
  for (const QString& argument : arguments.mid(1)) {
    const QString name = argument.mid(1).toLower();
    if ((argument.startsWith(u'/') || argument.startsWith(u'-')) &&
        (name == u"embedding" || name == u"automation"))
      return false;
  }
  return true;
}

}  // namespace

CQuorvelApp::CQuorvelApp() { InitQuorvelResources(); }

CQuorvelApp::~CQuorvelApp() {
  mainFrame.reset();
  platform::SetWaitHook(nullptr);
  platform::SetNotifier(nullptr);
}

bool CQuorvelApp::InitInstance(const QStringList& arguments) {
  QApplication::setApplicationName(QStringLiteral("Quorvel"));
  QApplication::setWindowIcon(ProgramIcon());
  // Closing the main window ends the program with its own exit code (1), not the
  // default 0 of "last window closed".
  QApplication::setQuitOnLastWindowClosed(false);

  platform::SetNotifier(&notifier);
  platform::SetWaitHook(&waitHook);

  CLogoWnd::EnableLogo(ShowsLogo(arguments));
  mainFrame = std::make_unique<CMainFrame>();
  if (!mainFrame->Create()) return false;
  mainFrame->CreateView();
  notifier.SetParentWindow(mainFrame.get());
  connect(mainFrame.get(), &CMainFrame::aboutRequested, this, &CQuorvelApp::OnAppAbout);
  mainFrame->show();
  mainFrame->repaint();

  // Light grey dialogs with black text, for the dialogs created from now on.
  QPalette dialogPalette = QApplication::palette();
  dialogPalette.setColor(QPalette::Window, QColor(192, 192, 192));
  dialogPalette.setColor(QPalette::WindowText, Qt::black);
  QApplication::setPalette(dialogPalette, "QDialog");
  return true;
}

void CQuorvelApp::OnAppAbout() {
  CAboutBox about(mainFrame.get());
  about.exec();
}
