#include "phone/core/phone_port_settings.h"

char PortLetter(int port) { return port == 1 ? 'A' : 'B'; }

void DeriveEditState(PhonePortSettings& record) {
  record.callWaitingOn = record.callWaitingMode != 0 ? 1 : 0;
  record.forwardWaitText = std::to_string(record.forwardWait);
}
