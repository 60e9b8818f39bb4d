#include "app/automation.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "app/button_panel.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/quorvel_view.h"

namespace {

QStringList ListFromEnvironment(const char* name) {
  return qEnvironmentVariable(name).split(u',', Qt::SkipEmptyParts);
}

QAbstractButton* ButtonForAnswer(QMessageBox& box, const QString& answer) {
  for (QAbstractButton* button : box.buttons()) {
    if (box.standardButton(button) == QMessageBox::Yes && answer == u"yes") return button;
    if (box.standardButton(button) == QMessageBox::No && answer == u"no") return button;
    if (box.standardButton(button) == QMessageBox::Ok && answer == u"ok") return button;
  }
  return EscapeChoice(box);
}

void RunAction(CMainFrame& frame, const QString& action) {
  if (action == u"quit-button") {
    frame.View()->Panel()->QuitButton()->click();
  } else if (action == u"close") {
    frame.close();
  } else if (action == u"exit-menu") {
    if (auto* exit = frame.findChild<QAction*>(QStringLiteral("exitAction"))) exit->trigger();
  } else if (action.startsWith(u"grab=")) {
    frame.grab().save(action.mid(5));
  }
}

}  // namespace

void InstallAutomationObserver() {
  const QString logPath = qEnvironmentVariable("QUORVEL_TEST_LOG");
  if (logPath.isEmpty()) return;
  auto answers = std::make_shared<QStringList>(ListFromEnvironment("QUORVEL_TEST_ANSWERS"));
  SetMessageBoxObserver([logPath, answers](QMessageBox& box) {
    const QString answer = answers->isEmpty() ? QString() : answers->takeFirst();
    QAbstractButton* button = ButtonForAnswer(box, answer);
    QFile log(logPath);
    if (log.open(QIODevice::Append | QIODevice::Text)) {
      log.write((box.windowTitle() + u'\t' + box.text() + u'\t' +
                 (button ? button->text() : QString()) + u'\n')
                    .toUtf8());
    }
    if (button) button->click();
  });
}

void StartAutomationActions(CMainFrame& frame) {
  const QStringList actions = ListFromEnvironment("QUORVEL_TEST_ACTIONS");
  QPointer<CMainFrame> target(&frame);
  int delay = 0;
  for (const QString& action : actions) {
    delay += 200;
    QTimer::singleShot(delay, &frame, [target, action] {
      if (target) RunAction(*target, action);
    });
  }
}
