// The telephone port whose tab the telephone window opens on: 1 or 2 once Phone 1 or
// Phone 2 was chosen, 0 at program start. User-interface thread only.
#pragma once

#include <cstdint>

extern std::int32_t selectedPhonePort;
