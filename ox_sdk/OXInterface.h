/* The binary boundary between the host and a generation-1 module library:
   the exported entry, the instance record, the host event record and the
   constants host and module share. Every field is a little-endian word; with
   32-bit pointers the layouts are the fixed ones checked at the end. */
#ifndef OX_SDK_OXINTERFACE_H
#define OX_SDK_OXINTERFACE_H

#include <stddef.h>
#include <stdint.h>

#include "platform/ox_platform.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OXModuleRecord OXModuleRecord;

/* The host's service function; `opt` is 0 in every call. Called from within
   the host's own calls on the instance, on the same thread. */
typedef intptr_t(OX_CDECL* OXHostCallback)(OXModuleRecord* record, int32_t opcode, int32_t index,
                                           int32_t value, void* ptr, float opt);

/* Host-callback opcodes used by this generation. */
enum {
  HC_SEND_PIN_STATUS = 0,   /* index = pin, value = status, ptr = sample clock */
  HC_SET_PIN_VALUE = 2,     /* index = pin, value = new value */
  HC_SAMPLE_CLOCK = 3,      /* answer: the host's sample clock */
  HC_PIN_BUFFER = 7,        /* index = pin; answer: its float buffer, valid for the instance's life */
  HC_BLOCK_START_CLOCK = 8, /* index = pin; answer: clock of element 0 of its current buffer */
  HC_PIN_COUNT = 14         /* answer: number of pins */
};

/* Dispatcher opcodes (unsigned; anything above 11 answers 0). */
enum {
  MOD_OPEN = 0,
  MOD_CLOSE = 1,
  MOD_SET_SAMPLE_RATE = 2, /* opt = samples per second */
  MOD_SET_BLOCK_SIZE = 3,  /* value = samples per block */
  MOD_QUERY_4 = 4,
  MOD_QUERY_5 = 5,
  MOD_GET_PIN_PROPERTIES = 6, /* index, ptr = OXPinProperties */
  MOD_ADD_EVENT = 7,          /* ptr = OXHostEvent, copied */
  MOD_RESYNC_CLOCK = 8,
  MOD_GET_MODULE_PROPERTIES = 9, /* ptr = OXModuleProperties */
  MOD_QUEUE_EMPTY = 10,
  MOD_QUERY_CONSTANT = 11 /* answers 1000 */
};

/* Pin data types. */
enum { DT_ENUM = 0, DT_HOST_VALUE = 1, DT_BOOL = 4, DT_FSAMPLE = 5, DT_INT = 6 };

/* Pin directions; other values pass to the host unchanged. */
enum { DR_IN = 0, DR_OUT = 1 };

/* Pin flags the framework reads. */
enum { IO_REPEAT_LAST = 0x8 };

/* Pin statuses. */
enum { PS_STATIC = 0, PS_ONE_CHANGE = 1, PS_STREAMING = 2 };

/* Event types. */
enum { EV_PIN_STATUS = 0, EV_DATA = 2, EV_DEFERRED_CALL = 3 };

#define OX_RECORD_MAGIC 0x4F58507Bu

/* A module's identity, filled in answer to MOD_GET_MODULE_PROPERTIES; only
   name, id and about are written. */
typedef struct OXModuleProperties {
  const char* name;
  const char* id;
  const char* about;
  int32_t reserved12;
  int32_t reserved16;
  int32_t flags;
} OXModuleProperties;

/* One pin's description; the pin number equals the description index. */
typedef struct OXPinProperties {
  void* variable_address;
  int32_t direction;
  int32_t datatype;
  const char* name;
  const char* default_value;
  const char* value_list; /* choices, or a range text on numeric pins */
  int32_t flags;
  int32_t reserved;
} OXPinProperties;

/* An event as the host sends it with MOD_ADD_EVENT; the module copies it. */
typedef struct OXHostEvent {
  uint32_t time_stamp; /* may lie in the future; compared unsigned */
  int32_t event_type;  /* EV_... */
  int32_t value1;      /* EV_PIN_STATUS: the new status */
  int32_t value2;      /* EV_PIN_STATUS: the new value */
  intptr_t target;     /* pin number, or the address of an OXDeferredCall */
} OXHostEvent;

/* The call record of an EV_DEFERRED_CALL event; the module releases it with
   free() right after the call, so it must come from malloc(). */
typedef struct OXDeferredCall {
  intptr_t argument;
  void(OX_CDECL* function)(intptr_t argument);
} OXDeferredCall;

typedef int32_t(OX_CDECL* OXDispatchEntry)(OXModuleRecord* record, int32_t opcode, int32_t index,
                                           int32_t value, void* ptr, float opt);
/* Called once per block; sampleFrames is greater than 0. */
typedef void(OX_CDECL* OXProcessEntry)(OXModuleRecord* record, int32_t buffer_offset,
                                       int32_t sampleFrames);

/* The record embedded in every instance; nothing changes it after
   construction. */
struct OXModuleRecord {
  uint32_t magic; /* OX_RECORD_MAGIC */
  OXDispatchEntry dispatch_entry;
  int32_t reserved08[3];
  int32_t reserved14;
  int32_t reserved18;
  int32_t reserved1C;
  void* object; /* the owning instance */
  int32_t reserved24;
  int32_t version; /* 1 */
  OXProcessEntry process_entry;
  int32_t reserved30[15];
};

/* The exported entry, `main`: creates one instance, or answers null. */
typedef OXModuleRecord*(OX_CDECL* OXMainEntry)(OXHostCallback callback);

#ifdef __cplusplus
}
#endif

#if INTPTR_MAX == INT32_MAX
#ifdef __cplusplus
#define OX1_STATIC_ASSERT static_assert
#else
#define OX1_STATIC_ASSERT _Static_assert
#endif
OX1_STATIC_ASSERT(sizeof(OXModuleRecord) == 108, "OXModuleRecord layout");
OX1_STATIC_ASSERT(offsetof(OXModuleRecord, magic) == 0x00, "magic");
OX1_STATIC_ASSERT(offsetof(OXModuleRecord, dispatch_entry) == 0x04, "dispatch_entry");
OX1_STATIC_ASSERT(offsetof(OXModuleRecord, reserved08) == 0x08, "reserved08");
OX1_STATIC_ASSERT(offsetof(OXModuleRecord, reserved14) == 0x14, "reserved14");
OX1_STATIC_ASSERT(offsetof(OXModuleRecord, reserved18) == 0x18, "reserved18");
OX1_STATIC_ASSERT(offsetof(OXModuleRecord, reserved1C) == 0x1C, "reserved1C");
OX1_STATIC_ASSERT(offsetof(OXModuleRecord, object) == 0x20, "object");
OX1_STATIC_ASSERT(offsetof(OXModuleRecord, reserved24) == 0x24, "reserved24");
OX1_STATIC_ASSERT(offsetof(OXModuleRecord, version) == 0x28, "version");
OX1_STATIC_ASSERT(offsetof(OXModuleRecord, process_entry) == 0x2C, "process_entry");
OX1_STATIC_ASSERT(offsetof(OXModuleRecord, reserved30) == 0x30, "reserved30");
OX1_STATIC_ASSERT(sizeof(OXHostEvent) == 20, "OXHostEvent layout");
OX1_STATIC_ASSERT(offsetof(OXHostEvent, event_type) == 4, "event_type");
OX1_STATIC_ASSERT(offsetof(OXHostEvent, value1) == 8, "value1");
OX1_STATIC_ASSERT(offsetof(OXHostEvent, value2) == 12, "value2");
OX1_STATIC_ASSERT(offsetof(OXHostEvent, target) == 16, "target");
OX1_STATIC_ASSERT(sizeof(OXDeferredCall) == 8, "OXDeferredCall layout");
OX1_STATIC_ASSERT(sizeof(OXPinProperties) == 32, "OXPinProperties layout");
OX1_STATIC_ASSERT(offsetof(OXPinProperties, datatype) == 8, "datatype");
OX1_STATIC_ASSERT(offsetof(OXPinProperties, flags) == 24, "flags");
OX1_STATIC_ASSERT(sizeof(OXModuleProperties) == 24, "OXModuleProperties layout");
OX1_STATIC_ASSERT(offsetof(OXModuleProperties, about) == 8, "about");
#undef OX1_STATIC_ASSERT
#endif

#endif
