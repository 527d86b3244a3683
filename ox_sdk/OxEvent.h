// The module's own copy of one time-stamped event, kept in the instance's
// event queue from MOD_ADD_EVENT until it has been applied.
#pragma once

#include <cstdint>

struct OxEvent {
  uint32_t time_stamp;  // sample clock at which the event is due (unsigned)
  int32_t event_type;   // EV_...
  int32_t value1;       // EV_PIN_STATUS: the new status
  int32_t value2;       // EV_PIN_STATUS: the new value
  intptr_t target;      // pin number, or the address of an OXDeferredCall
  OxEvent* next;        // the next queued event, null at the end
};
