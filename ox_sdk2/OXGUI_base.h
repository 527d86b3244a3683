// The base class of a generation-2 GUI companion: fills the companion's record
// and turns the GUI opcodes into virtual operations that do nothing by
// default. A companion never calls the host.
#pragma once

#include <stdint.h>

#include "ox_sdk2/OXInterface.h"

class OXGUI_base;

// The two words (index, value) of a GUI dispatch handed over as one argument.
struct OXGUIPair {
  int32_t index;
  int32_t value;
};

// What GUI_OPCODE_7 hands over; it lives only for the duration of the call.
struct OXGUIOpcode7Record {
  int32_t index;
  OXGUI_base* companion;
};

class OXGUI_base {
 public:
  OXGUI_base(OXHostCallback callback, void* host_handle);
  virtual ~OXGUI_base();
  OXGUI_base(const OXGUI_base&) = delete;
  OXGUI_base& operator=(const OXGUI_base&) = delete;

  // Virtual operations, in the order of the companion's dispatch table.
  virtual int32_t Dispatch(uint32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
  virtual void OnGuiOpcode0(bool yes);
  virtual void OnGuiClose();
  virtual void OnGuiOpcode2(int32_t index, void* ptr);
  virtual void OnGuiOpcode3(void* ptr, float opt, OXGUIPair pair);
  virtual void OnGuiOpcode4(void* ptr, float opt, OXGUIPair pair);
  virtual void OnGuiOpcode5(void* ptr, float opt, OXGUIPair pair);
  virtual void OnGuiOpcode8(void* ptr);
  virtual void OnGuiOpcode9(void* ptr);
  virtual uint8_t OnGuiOpcode10();
  virtual void OnGuiOpcode11(int32_t index);
  virtual void OnGuiOpcode12(int32_t index);
  virtual void OnGuiOpcode6(int32_t value, int32_t index, void* ptr);
  virtual void OnGuiOpcode7(OXGUIOpcode7Record* record);

  OXGUIRecord* Record() { return &m_record; }

 private:
  struct OpcodeTable;

  // Kept for a companion that calls the host; the base itself never does.
  [[maybe_unused]] OXHostCallback m_callback;
  OXGUIRecord m_record;
};
