// The program's start-up, without the window: settings, detection, settings again.
#include "app/registry/port_settings.h"
#include "app/registry/registry_key.h"
#include "cli/cli.h"
#include "link/comm_link.h"
#include "link/detection.h"
#include "platform/notifier.h"

bool StartAsProgram() {
  CRegistryKey key;
  LoadPortSettings(key);
  CCommLink link;
  currentPort = DetectAdapter(link);
  // Stored whatever the outcome, so that a run that found nothing scans at once next time.
  SavePortSettings(key);
  if (currentPort == 0) {
    platform::Warn("MODEM이 꺼있거나 찾을수가 없습니다.");
    return false;
  }
  return true;
}
