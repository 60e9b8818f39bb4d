// Shared by the widget tests: a simulated adapter on pseudo-terminals in a private ports
// folder with the registry beside it, a recorder that answers the program's real message
// boxes, and reads of the stored port settings.
#pragma once

#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <optional>

#include "sim/sim_adapter.h"

class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const QByteArray& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const char* name;
  std::optional<QByteArray> previous;
};

struct RecordedBox {
  QString caption;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  bool visible = false;
  bool logoShown = false;  // the start-up picture was still up when the box came
  bool mainWindowShown = false;  // the main window was on screen when the box came
};

// Records every box the program shows and presses the given answers in order (the box's
// Escape button once they run out).
class BoxRecorder {
 public:
  explicit BoxRecorder(QList<QMessageBox::StandardButton> answers = {});
  ~BoxRecorder();
  BoxRecorder(const BoxRecorder&) = delete;
  BoxRecorder& operator=(const BoxRecorder&) = delete;

  QList<RecordedBox> boxes;

 private:
  QList<QMessageBox::StandardButton> answers;
};

// A private folder with ports/ (the simulated adapter's) and registry/, pointed at by
// QUORVEL_PORTS_DIR and QUORVEL_REGISTRY_DIR; the globals back at their start values.
class SimulatedSetup {
 public:
  explicit SimulatedSetup(sim::Options options);
  ~SimulatedSetup();

  sim::SimAdapter& Adapter() { return *adapter; }
  QString PortsDir() const;
  QString RegistryDir() const;

 private:
  QTemporaryDir folder;
  std::unique_ptr<ScopedEnvironment> portsVariable;
  std::unique_ptr<ScopedEnvironment> registryVariable;
  std::unique_ptr<sim::SimAdapter> adapter;
};

sim::Options AdapterOn(const char* port);

// The stored value, or nullopt when there is none.
std::optional<std::int32_t> StoredValue(const char* valueName);
void StorePortSettings(std::int32_t port, std::int32_t speed);

// Every line that reached any port: "COM1 115200 AT*MRNIX".
QStringList Traffic(const sim::SimAdapter& adapter);
