/* The binary boundary between the host and a generation-2 module library:
   exported entries, the records that cross the boundary and the constants
   host and module share. Every field is a little-endian word; with 32-bit
   pointers the layouts are the fixed ones checked at the end of this file. */
#ifndef OX_SDK2_OXINTERFACE_H
#define OX_SDK2_OXINTERFACE_H

#include <stddef.h>
#include <stdint.h>

#include "platform/ox_platform.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OXModuleRecord OXModuleRecord;

/* The host's service function. `record` is the calling instance's record
   address; `opt` is 0 in every call. Called from within the host's own calls
   on the instance, on the same thread. */
typedef intptr_t(OX_CDECL* OXHostCallback)(OXModuleRecord* record, int32_t opcode, int32_t index,
                                           int32_t value, void* ptr, float opt);

/* Host-callback opcodes. */
enum {
  HC_SEND_PIN_STATUS = 0,   /* index = pin, value = status, ptr = sample clock */
  HC_SET_PIN_VALUE = 2,     /* index = pin, value = new value */
  HC_SAMPLE_CLOCK = 3,      /* answer: the current sample clock */
  HC_PIN_BUFFER = 7,        /* index = pin; answer: its float buffer, valid for the instance's life */
  HC_BLOCK_START_CLOCK = 8, /* index = pin; answer: clock of element 0 of its current buffer */
  HC_SLEEP = 10,            /* the host may stop calling the process function */
  HC_PIN_COUNT = 14,        /* answer: pin count, GUI-only pins excluded, repeats included */
  HC_PROCESS_CHANGED = 22   /* the record's process_entry changed */
};

/* Dispatcher opcodes (unsigned; anything above 13 answers 0). */
enum {
  MOD_OPEN = 0,
  MOD_CLOSE = 1,
  MOD_SET_SAMPLE_RATE = 2, /* opt = samples per second */
  MOD_SET_BLOCK_SIZE = 3,  /* value = samples per block */
  MOD_GET_PIN_PROPERTIES = 6,
  MOD_NOTIFY = 8,
  MOD_REQUEST = 12,
  MOD_GET_PROCESS_INFO = 13
};

/* GUI companion opcodes (unsigned; anything above 12 answers 0). */
enum {
  GUI_OPCODE_0 = 0,
  GUI_CLOSE = 1,
  GUI_OPCODE_2 = 2,
  GUI_OPCODE_3 = 3,
  GUI_OPCODE_4 = 4,
  GUI_OPCODE_5 = 5,
  GUI_OPCODE_6 = 6,
  GUI_OPCODE_7 = 7,
  GUI_OPCODE_8 = 8,
  GUI_OPCODE_9 = 9,
  GUI_OPCODE_10 = 10,
  GUI_OPCODE_11 = 11,
  GUI_OPCODE_12 = 12
};

/* makeModule subtypes. */
enum { OX_SUBTYPE_AUDIO = 1, OX_SUBTYPE_GUI = 2 };

/* Pin data types. */
enum { DT_ENUM = 0, DT_HOST_VALUE = 1, DT_BOOL = 4, DT_FSAMPLE = 5, DT_INT = 6 };

/* Pin directions. */
enum { DR_IN = 0, DR_OUT = 1 };

/* Pin flags. */
enum {
  IO_REPEAT_LAST = 0x8,
  IO_PRIVATE = 0x100,
  IO_UI_COMMUNICATION = 0x400,
  IO_UI_ALSO_AUDIO = 0x8000,
  IO_PATCH_STORE = 0x10000
};

/* Pin statuses. */
enum { PS_STATIC = 0, PS_ONE_CHANGE = 1, PS_STREAMING = 2 };

/* Event types. */
enum { EV_PIN_STATUS = 0, EV_DATA = 2, EV_MODULE_CALL = 21 };

#define OX_RECORD_MAGIC 0x4F58507Bu
#define OX_GUI_RECORD_MAGIC 0x4F58504Du

/* A module type's identity, filled by getModuleProperties into host memory.
   The texts are static and live as long as the library. */
typedef struct OXModuleProperties {
  const char* name;
  const char* id;
  const char* about; /* several lines separated by line feeds */
  int32_t reserved12; /* never written by the module */
  int32_t reserved16; /* never written by the module */
  int32_t flags;
} OXModuleProperties;

/* One pin's description. The module writes only the fields a pin needs; the
   record must be zero-filled before it is asked. */
typedef struct OXPinProperties {
  void* variable_address;   /* the module variable holding the pin's value, or null */
  int32_t direction;        /* DR_IN or DR_OUT */
  int32_t datatype;         /* DT_... */
  const char* name;
  const char* default_value; /* as text, or null */
  const char* value_list;    /* comma-separated choices ("label" or "label=number"), or null */
  int32_t flags;             /* IO_... */
  int32_t reserved;
} OXPinProperties;

/* A time-stamped event, owned by the host and valid for the event call only. */
typedef struct OxEvent {
  int32_t time_stamp; /* equals the host's sample clock when delivered */
  int32_t event_type; /* EV_... */
  int32_t value1;
  int32_t value2;  /* only the low 16 bits are used (EV_DATA) */
  intptr_t target; /* pin number, or a function address (EV_MODULE_CALL) */
} OxEvent;

typedef intptr_t(OX_CDECL* OXDispatchEntry)(OXModuleRecord* record, int32_t opcode, int32_t index,
                                            int32_t value, void* ptr, float opt);
/* A process function; its first argument is the module object, not the record. */
typedef void(OX_CDECL* OXProcessEntry)(void* object, int32_t buffer_offset, int32_t sampleFrames);
typedef void(OX_CDECL* OXEventEntry)(void* object, OxEvent* event);

/* The record embedded in every audio instance; its address is the instance's
   handle. Only process_entry changes after construction. */
struct OXModuleRecord {
  uint32_t magic;  /* OX_RECORD_MAGIC */
  int32_t version; /* 1 */
  void* host_handle;
  void* object; /* the module instance owning this record */
  intptr_t reserved16;
  OXDispatchEntry dispatch_entry;
  OXProcessEntry process_entry;
  OXEventEntry event_entry;
  int32_t reserved32[4];
};

/* The instance's current process function. */
typedef struct OXProcessFunction {
  OXProcessEntry code; /* always equal to the record's process_entry */
  intptr_t word1;
  intptr_t word2;
} OXProcessFunction;

/* The answer to MOD_GET_PROCESS_INFO: one record per library, rewritten by
   every such call and read by the host before the next one. */
typedef struct OXProcessFunctionInfo {
  int32_t kind; /* 1 */
  int32_t size; /* sizeof(OXProcessFunction) on the boundary: 12 */
  OXProcessFunction* function;
  int32_t reserved;
} OXProcessFunctionInfo;

typedef intptr_t(OX_CDECL* OXGUIDispatchEntry)(void* record, int32_t opcode, int32_t index,
                                               int32_t value, void* ptr, float opt);

/* The record embedded in every GUI companion. */
typedef struct OXGUIRecord {
  uint32_t magic;  /* OX_GUI_RECORD_MAGIC */
  int32_t version; /* 1 */
  OXGUIDispatchEntry dispatch_entry;
  void* host_handle;
  void* object;
  int32_t reserved20[5];
} OXGUIRecord;

/* Exported entries. index selects the module type: only 0 exists. */
typedef int32_t(OX_CDECL* OXGetModulePropertiesEntry)(int32_t index, OXModuleProperties* properties);
typedef void*(OX_CDECL* OXMakeModuleEntry)(int32_t index, int32_t subtype, OXHostCallback callback,
                                           void* host_handle);

#ifdef __cplusplus
}
#endif

#if INTPTR_MAX == INT32_MAX
#ifdef __cplusplus
#define OX2_STATIC_ASSERT static_assert
#else
#define OX2_STATIC_ASSERT _Static_assert
#endif
OX2_STATIC_ASSERT(sizeof(OXModuleProperties) == 24, "OXModuleProperties layout");
OX2_STATIC_ASSERT(offsetof(OXModuleProperties, name) == 0, "name");
OX2_STATIC_ASSERT(offsetof(OXModuleProperties, id) == 4, "id");
OX2_STATIC_ASSERT(offsetof(OXModuleProperties, about) == 8, "about");
OX2_STATIC_ASSERT(offsetof(OXModuleProperties, flags) == 20, "flags");
OX2_STATIC_ASSERT(sizeof(OXModuleRecord) == 48, "OXModuleRecord layout");
OX2_STATIC_ASSERT(offsetof(OXModuleRecord, magic) == 0, "magic");
OX2_STATIC_ASSERT(offsetof(OXModuleRecord, version) == 4, "version");
OX2_STATIC_ASSERT(offsetof(OXModuleRecord, host_handle) == 8, "host_handle");
OX2_STATIC_ASSERT(offsetof(OXModuleRecord, object) == 12, "object");
OX2_STATIC_ASSERT(offsetof(OXModuleRecord, reserved16) == 16, "reserved16");
OX2_STATIC_ASSERT(offsetof(OXModuleRecord, dispatch_entry) == 20, "dispatch_entry");
OX2_STATIC_ASSERT(offsetof(OXModuleRecord, process_entry) == 24, "process_entry");
OX2_STATIC_ASSERT(offsetof(OXModuleRecord, event_entry) == 28, "event_entry");
OX2_STATIC_ASSERT(offsetof(OXModuleRecord, reserved32) == 32, "reserved32");
OX2_STATIC_ASSERT(sizeof(OXPinProperties) == 32, "OXPinProperties layout");
OX2_STATIC_ASSERT(offsetof(OXPinProperties, variable_address) == 0, "variable_address");
OX2_STATIC_ASSERT(offsetof(OXPinProperties, direction) == 4, "direction");
OX2_STATIC_ASSERT(offsetof(OXPinProperties, datatype) == 8, "datatype");
OX2_STATIC_ASSERT(offsetof(OXPinProperties, name) == 12, "name");
OX2_STATIC_ASSERT(offsetof(OXPinProperties, default_value) == 16, "default_value");
OX2_STATIC_ASSERT(offsetof(OXPinProperties, value_list) == 20, "value_list");
OX2_STATIC_ASSERT(offsetof(OXPinProperties, flags) == 24, "flags");
OX2_STATIC_ASSERT(sizeof(OxEvent) == 20, "OxEvent layout");
OX2_STATIC_ASSERT(offsetof(OxEvent, time_stamp) == 0, "time_stamp");
OX2_STATIC_ASSERT(offsetof(OxEvent, event_type) == 4, "event_type");
OX2_STATIC_ASSERT(offsetof(OxEvent, value1) == 8, "value1");
OX2_STATIC_ASSERT(offsetof(OxEvent, value2) == 12, "value2");
OX2_STATIC_ASSERT(offsetof(OxEvent, target) == 16, "target");
OX2_STATIC_ASSERT(sizeof(OXProcessFunction) == 12, "OXProcessFunction layout");
OX2_STATIC_ASSERT(offsetof(OXProcessFunction, word1) == 4, "word1");
OX2_STATIC_ASSERT(offsetof(OXProcessFunction, word2) == 8, "word2");
OX2_STATIC_ASSERT(sizeof(OXProcessFunctionInfo) == 16, "OXProcessFunctionInfo layout");
OX2_STATIC_ASSERT(offsetof(OXProcessFunctionInfo, size) == 4, "size");
OX2_STATIC_ASSERT(offsetof(OXProcessFunctionInfo, function) == 8, "function");
OX2_STATIC_ASSERT(offsetof(OXProcessFunctionInfo, reserved) == 12, "reserved");
OX2_STATIC_ASSERT(sizeof(OXGUIRecord) == 40, "OXGUIRecord layout");
OX2_STATIC_ASSERT(offsetof(OXGUIRecord, version) == 4, "version");
OX2_STATIC_ASSERT(offsetof(OXGUIRecord, dispatch_entry) == 8, "dispatch_entry");
OX2_STATIC_ASSERT(offsetof(OXGUIRecord, host_handle) == 12, "host_handle");
OX2_STATIC_ASSERT(offsetof(OXGUIRecord, object) == 16, "object");
OX2_STATIC_ASSERT(offsetof(OXGUIRecord, reserved20) == 20, "reserved20");
#undef OX2_STATIC_ASSERT
#endif

#endif
