#include "drift/Module.h"

#include <stdint.h>

#include "drift/FloatBits.h"

namespace {

// Pin numbers; no pin of this module is GUI-only, so they equal the
// description indexes.
enum { kDepthPin = 0, kRatePin = 1, kDriftOutPin = 2, kActivePin = 3, kUpdateRatePin = 4, kPinCount = 5 };

const char kName[] = "Nuvo_Analogue_Drift";
const char kId[] = "Analogue_Drift_Emulation_Nuvo2006";
const char kAbout[] =
    "Analogue Drift Emulation\n"
    "Ver:2.90 Copyright (c) the authors of the Analogue Drift module. All rights reserved.\n"
    "\n"
    "Analogue Drift: Depth + Rate: Controls the depth and rate of Pitch drift : 0 = Digital\n"
    "   Pitch Drift is the slight detuning caused by component/heat variation in Analogue synths\n"
    "Update Output Rate: Determines how often the output value is updated\n"
    "   This can reduce the amount of STATUS messages sent\n"
    "Active: Off,On\n"
    "\n"
    "Terms of use: this module is provided as it is, without warranty of any kind.\n"
    "You may use it freely in your own patches and recordings.\n"
    "You may pass it on unchanged, together with this text.";
const int32_t kPropertyFlags = 0x8C0;

// The time between two random targets, in seconds, for each position of the
// rate choice list; kept as fractions so that whole-numbered products (a third
// of 44100) come out whole.
struct Seconds {
  double numerator;
  double denominator;
};
const Seconds kRateTable[] = {{1, 100}, {1, 50}, {1, 25}, {1, 10}, {1, 5}, {1, 3},  {1, 2}, {1, 1},
                              {2, 1},   {3, 1},  {4, 1},  {6, 1},  {10, 1}, {20, 1}, {40, 1}};
const int kRateCount = sizeof kRateTable / sizeof kRateTable[0];

// A sample count from a product of floats, truncated toward zero whatever the
// rounding mode; what a count cannot hold (negative, NaN, beyond 32 bits) is
// clamped to its range.
uint32_t TruncateToCount(double samples) {
  if (!(samples > 0.0)) return 0;
  if (samples >= 4294967296.0) return UINT32_MAX;
  return static_cast<uint32_t>(samples);
}

}  // namespace

Module::Module(OXHostCallback callback, void* host_handle) : OXModule_base(callback, host_handle) {}

Module::~Module() {}

void Module::DescribeType(OXModuleProperties* properties) {
  properties->flags = kPropertyFlags;
  properties->name = kName;
  properties->id = kId;
  properties->about = kAbout;
}

bool Module::GetPinProperties(int32_t index, OXPinProperties* properties) {
  switch (static_cast<uint32_t>(index)) {
    case kDepthPin:
      properties->name = "Analogue Drift Depth";
      properties->direction = DR_IN;
      properties->datatype = DT_FSAMPLE;
      properties->variable_address = &m_depth_in;
      properties->default_value = "0.0";
      return true;
    case kRatePin:
      properties->name = "Analogue Drift Rate(s)";
      properties->direction = DR_IN;
      properties->datatype = DT_ENUM;
      properties->variable_address = &m_rate_index;
      properties->default_value = "10";
      properties->value_list = "1/100,1/50,1/25,1/10,1/5,1/3,1/2,1,2,3,4,6,10,20,40";
      return true;
    case kDriftOutPin:
      properties->name = "Drift.Out";
      properties->direction = DR_OUT;
      properties->datatype = DT_FSAMPLE;
      properties->variable_address = &m_drift_out;
      return true;
    case kActivePin:
      properties->name = "Active";
      properties->direction = DR_IN;
      properties->datatype = DT_ENUM;
      properties->variable_address = &m_active;
      properties->default_value = "0";
      properties->value_list = "OFF,ON";
      return true;
    case kUpdateRatePin:
      properties->name = "Update Output Rate";
      properties->direction = DR_IN;
      properties->datatype = DT_ENUM;
      properties->variable_address = &m_update_rate;
      properties->default_value = "4";
      properties->value_list = "1=1,2=2,4=4,8=8,16=16,32=32,64=64";
      return true;
    default:
      return false;
  }
}

// A host that counted fewer pins than described leaves "Drift.Out" without a
// pin: the value is then neither reported nor written.
void Module::Open() {
  OXModule_base::Open();
  m_open_block_size = static_cast<uint32_t>(BlockSize());
  m_update_count = 0;
  m_sample_count = 0;
  m_step = 0.0f;
  m_target = 0.0f;
  m_current = 0.0f;
  m_held = 0.0f;
  m_samples_per_target = TruncateToCount(static_cast<double>(SampleRate()) * 0.5);
  m_blocks_per_target = BlocksIn(m_samples_per_target);
  m_output_pin = PinCount() > kDriftOutPin ? GetPin(kDriftOutPin) : nullptr;
}

void Module::OnPinStatusChange(OXPin* pin) {
  switch (pin->Index()) {
    case kRatePin:
      OnRateChange();
      return;
    case kDepthPin:
      if (pin->Status() == PS_STREAMING) {
        m_depth_flag = 1.0f;
      } else {
        m_depth_flag = pin->CurrentSample();
        if (m_depth_flag == 0.0f) GoIdle();
      }
      break;
    case kActivePin:
      if (m_active == 0) {
        GoIdle();
      } else {
        ReportOutput();
      }
      break;
    default:
      break;
  }
  DriftIfAllowed();
}

// A rate outside the list keeps the previous time between targets. Either way
// the interval is at least a block, and the next drifting call draws at once.
void Module::OnRateChange() {
  if (m_rate_index >= 0 && m_rate_index < kRateCount) {
    const Seconds& seconds = kRateTable[m_rate_index];
    m_samples_per_target =
        TruncateToCount(static_cast<double>(SampleRate()) * seconds.numerator / seconds.denominator);
  }
  if (m_open_block_size > m_samples_per_target) m_samples_per_target = m_open_block_size;
  m_sample_count = m_samples_per_target;
  m_blocks_per_target = BlocksIn(m_samples_per_target);
}

// Whole blocks in `samples`; 0 when the block size is 0.
int32_t Module::BlocksIn(uint32_t samples) const {
  if (m_open_block_size == 0) return 0;
  return static_cast<int32_t>(samples / m_open_block_size);
}

void Module::GoIdle() {
  SetProcessFunction(OXProcessFunctionOf<Module, &Module::ProcessIdle>());
  m_fill_countdown = static_cast<int32_t>(m_open_block_size);
  m_target = 0.0f;
  m_current = 0.0f;
  m_held = 0.0f;
  m_sample_count = m_samples_per_target;
  ReportOutput();
}

void Module::DriftIfAllowed() {
  if (m_active != 0 && !HasZeroBits(m_depth_flag)) {
    SetProcessFunction(OXProcessFunctionOf<Module, &Module::ProcessDrift>());
  }
}

void Module::ReportOutput() {
  if (m_output_pin == nullptr) return;
  m_output_pin->SendStatus(SampleClock(), PS_ONE_CHANGE);
}
