// Both generations of the module boundary, seen from the host. The two
// generations share names with different layouts, so each lives in its own
// namespace: ox1 (generation 1, `main`) and ox2 (generation 2,
// `getModuleProperties` and `makeModule`).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/ox_platform.h"

namespace ox2 {
#include "ox_sdk2/OXInterface.h"
}
namespace ox1 {
#include "ox_sdk/OXInterface.h"
}
