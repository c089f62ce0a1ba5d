// The check that both file-service implementations make at the start of every
// File call (see FileCallHook in platform.h).
#pragma once

#include "platform/platform.h"

namespace sonrik::platform::detail {

// Throws IoError when an installed hook makes `call` fail.
void CheckFileCall(FileCall call);

}  // namespace sonrik::platform::detail
