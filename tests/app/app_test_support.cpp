#include "app_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

#include "app/logo_wnd.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/registry/port_settings.h"
#include "app/registry/registry_key.h"
#include "app/selected_phone_port.h"
#include "link/comm_link.h"

ScopedEnvironment::ScopedEnvironment(const char* variable, const QByteArray& value)
    : name(variable) {
  if (qEnvironmentVariableIsSet(name)) previous = qgetenv(name);
  qputenv(name, value);
}

ScopedEnvironment::~ScopedEnvironment() {
  if (previous)
    qputenv(name, *previous);
  else
    qunsetenv(name);
}

BoxRecorder::BoxRecorder(QList<QMessageBox::StandardButton> pressed) : answers(std::move(pressed)) {
  SetMessageBoxObserver([this](QMessageBox& box) {
    RecordedBox seen;
    seen.caption = box.windowTitle();
    seen.text = box.text();
    seen.icon = box.icon();
    seen.buttons = box.standardButtons();
    seen.visible = box.isVisible();
    seen.logoShown = CLogoWnd::Current() != nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
      if (qobject_cast<CMainFrame*>(window) && window->isVisible()) seen.mainWindowShown = true;
    boxes.append(seen);
    QAbstractButton* button =
        answers.isEmpty() ? EscapeChoice(box) : box.button(answers.takeFirst());
    if (button) button->click();
  });
}

BoxRecorder::~BoxRecorder() { SetMessageBoxObserver({}); }

SimulatedSetup::SimulatedSetup(sim::Options options) {
  currentPort = 0;
  currentSpeed = kDefaultSpeed;
  aodiCapable = 0;
  selectedPhonePort = 0;
  portsVariable = std::make_unique<ScopedEnvironment>("QUORVEL_PORTS_DIR", PortsDir().toLocal8Bit());
  registryVariable =
      std::make_unique<ScopedEnvironment>("QUORVEL_REGISTRY_DIR", RegistryDir().toLocal8Bit());
  adapter = std::make_unique<sim::SimAdapter>(std::move(options), PortsDir().toStdString());
  if (!adapter->Start()) qFatal("the simulated adapter could not start");
}

SimulatedSetup::~SimulatedSetup() { adapter->Stop(); }

QString SimulatedSetup::PortsDir() const { return folder.filePath(QStringLiteral("ports")); }
QString SimulatedSetup::RegistryDir() const { return folder.filePath(QStringLiteral("registry")); }

sim::Options AdapterOn(const char* port) {
  sim::Options options;
  options.adapterPort = port;
  return options;
}

std::optional<std::int32_t> StoredValue(const char* valueName) {
  CRegistryKey key;
  key.OpenKey(RegistryRoot::LocalMachine, kSettingsKey);
  std::int32_t value = 0;
  const long status = key.ReadDword(valueName, value);
  key.CloseKey();
  if (status != kRegistryOk) return std::nullopt;
  return value;
}

void StorePortSettings(std::int32_t port, std::int32_t speed) {
  CRegistryKey key;
  key.OpenKey(RegistryRoot::LocalMachine, kSettingsKey);
  key.WriteDword(kComNumValue, port);
  key.WriteDword(kPortSpeedValue, speed);
  key.CloseKey();
}

QStringList Traffic(const sim::SimAdapter& adapter) {
  QStringList lines;
  for (const sim::Received& received : adapter.Log()) {
    lines << QStringLiteral("%1 %2 %3")
                 .arg(QString::fromStdString(received.port))
                 .arg(received.speed ? QString::number(*received.speed) : QStringLiteral("-"))
                 .arg(QString::fromStdString(received.bytes).trimmed());
  }
  return lines;
}
