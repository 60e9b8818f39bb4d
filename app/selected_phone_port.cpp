#include "app/selected_phone_port.h"

std::int32_t selectedPhonePort = 0;
