#include "phone/core/phone_port_settings.h"

char PortLetter(int port) { return port == 1 ? 'A' : 'B'; }
