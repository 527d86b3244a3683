// The drift library's GUI companion: it answers every GUI opcode with the
// base's defaults.
#pragma once

#include "ox_sdk2/OXGUI_base.h"

class GuiModule : public OXGUI_base {
 public:
  GuiModule(OXHostCallback callback, void* host_handle) : OXGUI_base(callback, host_handle) {}
  ~GuiModule() override {}
};
