// RetryOnEintr: repeats a system call that a signal interrupted (-1 with EINTR).
// Not for close(), which must never be repeated on Linux.
#pragma once

#include <cerrno>

namespace platform {

template <typename Call>
auto RetryOnEintr(Call call) {
  for (;;) {
    auto result = call();
    if (result != -1 || errno != EINTR) return result;
  }
}

}  // namespace platform
