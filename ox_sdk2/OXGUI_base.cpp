#include "ox_sdk2/OXGUI_base.h"

#include <string.h>

namespace {

intptr_t OX_CDECL GuiDispatchEntry(void* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                                   float opt) {
  OXGUI_base* companion = static_cast<OXGUI_base*>(static_cast<OXGUIRecord*>(record)->object);
  return companion->Dispatch(static_cast<uint32_t>(opcode), index, value, ptr, opt);
}

}  // namespace

// One handler per GUI opcode 0 to 12.
struct OXGUI_base::OpcodeTable {
  typedef int32_t (*Handler)(OXGUI_base& companion, int32_t index, int32_t value, void* ptr, float opt);
  static const Handler kHandlers[13];

  static int32_t Opcode0(OXGUI_base& companion, int32_t index, int32_t, void*, float) {
    companion.OnGuiOpcode0(index == 1);
    return 0;
  }
  static int32_t Close(OXGUI_base& companion, int32_t, int32_t, void*, float) {
    companion.OnGuiClose();
    delete &companion;
    return 1;
  }
  static int32_t Opcode2(OXGUI_base& companion, int32_t index, int32_t, void* ptr, float) {
    companion.OnGuiOpcode2(index, ptr);
    return 0;
  }
  static int32_t Opcode3(OXGUI_base& companion, int32_t index, int32_t value, void* ptr, float opt) {
    companion.OnGuiOpcode3(ptr, opt, OXGUIPair{index, value});
    return 0;
  }
  static int32_t Opcode4(OXGUI_base& companion, int32_t index, int32_t value, void* ptr, float opt) {
    companion.OnGuiOpcode4(ptr, opt, OXGUIPair{index, value});
    return 0;
  }
  static int32_t Opcode5(OXGUI_base& companion, int32_t index, int32_t value, void* ptr, float opt) {
    companion.OnGuiOpcode5(ptr, opt, OXGUIPair{index, value});
    return 0;
  }
  static int32_t Opcode6(OXGUI_base& companion, int32_t index, int32_t value, void* ptr, float) {
    companion.OnGuiOpcode6(value, index, ptr);
    return 0;
  }
  static int32_t Opcode7(OXGUI_base& companion, int32_t index, int32_t, void*, float) {
    OXGUIOpcode7Record record = {index, &companion};
    companion.OnGuiOpcode7(&record);
    return 0;
  }
  static int32_t Opcode8(OXGUI_base& companion, int32_t, int32_t, void* ptr, float) {
    companion.OnGuiOpcode8(ptr);
    return 0;
  }
  static int32_t Opcode9(OXGUI_base& companion, int32_t, int32_t, void* ptr, float) {
    companion.OnGuiOpcode9(ptr);
    return 0;
  }
  static int32_t Opcode10(OXGUI_base& companion, int32_t, int32_t, void*, float) {
    return static_cast<int32_t>(companion.OnGuiOpcode10());
  }
  static int32_t Opcode11(OXGUI_base& companion, int32_t index, int32_t, void*, float) {
    companion.OnGuiOpcode11(index);
    return 0;
  }
  static int32_t Opcode12(OXGUI_base& companion, int32_t index, int32_t, void*, float) {
    companion.OnGuiOpcode12(index);
    return 0;
  }
};

const OXGUI_base::OpcodeTable::Handler OXGUI_base::OpcodeTable::kHandlers[13] = {
    Opcode0, Close, Opcode2, Opcode3, Opcode4, Opcode5, Opcode6, Opcode7, Opcode8, Opcode9, Opcode10, Opcode11,
    Opcode12};

OXGUI_base::OXGUI_base(OXHostCallback callback, void* host_handle) : m_callback(callback) {
  memset(&m_record, 0, sizeof m_record);
  m_record.magic = OX_GUI_RECORD_MAGIC;
  m_record.dispatch_entry = GuiDispatchEntry;
  m_record.object = this;
  m_record.host_handle = host_handle;
  m_record.version = 1;
}

OXGUI_base::~OXGUI_base() {}

int32_t OXGUI_base::Dispatch(uint32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
  if (opcode >= sizeof OpcodeTable::kHandlers / sizeof OpcodeTable::kHandlers[0]) return 0;
  return OpcodeTable::kHandlers[opcode](*this, index, value, ptr, opt);
}

void OXGUI_base::OnGuiOpcode0(bool) {}
void OXGUI_base::OnGuiClose() {}
void OXGUI_base::OnGuiOpcode2(int32_t, void*) {}
void OXGUI_base::OnGuiOpcode3(void*, float, OXGUIPair) {}
void OXGUI_base::OnGuiOpcode4(void*, float, OXGUIPair) {}
void OXGUI_base::OnGuiOpcode5(void*, float, OXGUIPair) {}
void OXGUI_base::OnGuiOpcode8(void*) {}
void OXGUI_base::OnGuiOpcode9(void*) {}
uint8_t OXGUI_base::OnGuiOpcode10() { return 0; }
void OXGUI_base::OnGuiOpcode11(int32_t) {}
void OXGUI_base::OnGuiOpcode12(int32_t) {}
void OXGUI_base::OnGuiOpcode6(int32_t, int32_t, void*) {}
void OXGUI_base::OnGuiOpcode7(OXGUIOpcode7Record*) {}
