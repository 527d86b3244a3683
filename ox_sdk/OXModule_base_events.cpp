// The event queue of OXModule_base and the block loop that applies its events
// at their samples.
#include <cstdlib>
#include <new>

#include "ox_sdk/OXModule_base.h"
#include "ox_sdk/contract_source.h"

// Copies the host's event into a queue node. Without memory for the copy the
// event is dropped: the instance goes on as if it had not been sent.
void OXModule_base::AddHostEvent(const OXHostEvent* host_event) {
  auto* event = new (std::nothrow) OxEvent{static_cast<uint32_t>(host_event->time_stamp),
                                           host_event->event_type,
                                           host_event->value1,
                                           host_event->value2,
                                           host_event->target,
                                           nullptr};
  if (event) AddEvent(event);
}

// Keeps the queue in non-decreasing time-stamp order; an event goes behind
// every queued event with the same time stamp, so equal time stamps are
// applied in the order they arrived.
void OXModule_base::AddEvent(OxEvent* p_event) {
  OX_CHECK(p_event->time_stamp >= SampleClock(), "p_event->time_stamp >= SampleClock()",
           kModuleBaseSource, 287);
  const bool in_order = m_last_event && m_last_event->time_stamp <= p_event->time_stamp;
  OxEvent** link = in_order ? &m_last_event->next : &m_events;
  while (*link && (*link)->time_stamp <= p_event->time_stamp) link = &(*link)->next;
  p_event->next = *link;
  *link = p_event;
  if (!p_event->next) m_last_event = p_event;
}

// Events never applied are released with the instance, call records of
// deferred calls included (the instance took them over with their events);
// none of them is run.
void OXModule_base::ReleaseEvents() {
  while (m_events) {
    OxEvent* event = m_events;
    m_events = event->next;
    if (event->event_type == EV_DEFERRED_CALL) std::free(reinterpret_cast<void*>(event->target));
    delete event;
  }
  m_last_event = nullptr;
}

// Applies every event at its sample: the process routine renders the
// stretches between events and never sees one. An event due at or after the
// block's end waits for a later block.
void OXModule_base::ProcessBlock(int32_t buffer_offset, int32_t sampleFrames) {
  OX_CHECK(sampleFrames > 0, "sampleFrames > 0", kModuleBaseSource, 190);
  uint32_t current_sample_clock = m_sample_clock;
  const uint32_t end = current_sample_clock + static_cast<uint32_t>(sampleFrames);
  while (m_events) {
    OxEvent* next_event = m_events;
    OX_CHECK(next_event->time_stamp >= current_sample_clock,
             "next_event->time_stamp >= current_sample_clock", kModuleBaseSource, 209);
    const int32_t segment = next_event->time_stamp < end
                                ? static_cast<int32_t>(next_event->time_stamp - current_sample_clock)
                                : sampleFrames;
    if (segment != 0) {
      (this->*m_process)(buffer_offset, segment);
      current_sample_clock += static_cast<uint32_t>(segment);
      m_sample_clock = current_sample_clock;
      sampleFrames -= segment;
      if (sampleFrames == 0) return;
      buffer_offset += segment;
    }
    m_events = next_event->next;
    if (!m_events) m_last_event = nullptr;
    HandleEvent(next_event);
    delete next_event;
  }
  OX_CHECK(sampleFrames > 0, "sampleFrames > 0", kModuleBaseSource, 199);
  (this->*m_process)(buffer_offset, sampleFrames);
  m_sample_clock = end;
}

void OXModule_base::HandleEvent(OxEvent* e) {
  OX_CHECK(e->time_stamp == SampleClock(), "e->time_stamp == SampleClock()", kModuleBaseSource, 242);
  switch (e->event_type) {
    case EV_PIN_STATUS:
      ApplyPinStatus(*e);
      break;
    case EV_DATA:
      OnDataEvent(e->time_stamp, e->value1, static_cast<int16_t>(e->value2 & 0xFFFF));
      break;
    case EV_DEFERRED_CALL:
      RunDeferredCall(*e);
      break;
    default:
      break;
  }
}

// A status event for a pin number the instance does not have is ignored: it
// must not reach memory outside the pin array.
void OXModule_base::ApplyPinStatus(const OxEvent& e) {
  if (e.target < 0 || e.target >= m_pin_count) return;
  GetPin(static_cast<int32_t>(e.target)).OnStatusChange(e.value1, e.value2);
}

// Calls the function of the call record with its argument, then releases the
// record. A null record is ignored; a record without a function is only
// released.
void OXModule_base::RunDeferredCall(OxEvent& e) {
  auto* call = reinterpret_cast<OXDeferredCall*>(e.target);
  if (!call) return;
  if (call->function) call->function(call->argument);
  std::free(call);
  e.target = 0;
}

// Takes the host's clock; events that are now in the past become due at the
// new clock, keeping their order at the front of the queue.
void OXModule_base::ResyncClock() {
  m_sample_clock = static_cast<uint32_t>(CallHost(HC_SAMPLE_CLOCK));
  for (OxEvent* event = m_events; event && event->time_stamp < m_sample_clock; event = event->next) {
    event->time_stamp = m_sample_clock;
  }
}
