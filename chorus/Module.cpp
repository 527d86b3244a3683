#include "chorus/Module.h"

#include <new>

#include "chorus/chorus_pins.h"
#include "chorus/lfo_segments.h"
#include "chorus/wavetable.h"

namespace chorus {

namespace {

// Out L below this counts as silent (2^-16).
constexpr float kSilenceThreshold = 0x1p-16f;

// A NaN sample counts as 0.0.
bool ReadsZero(const OXPin& pin) {
  const float sample = pin.CurrentSample();
  return !(sample < 0.0f || sample > 0.0f);
}

}  // namespace

Module::Module(OXHostCallback callback) : OXModule_base(callback) {}

Module::~Module() { ReleaseDelayLines(); }

bool Module::GetModuleProperties(OXModuleProperties* properties) {
  properties->name = kModuleName;
  properties->id = kModuleName;
  properties->about = kModuleAbout;
  return true;
}

bool Module::GetPinProperties(int32_t index, OXPinProperties* properties) {
  if (static_cast<uint32_t>(index) >= kPinCount) return false;
  const PinDescription& pin = kPinDescriptions[index];
  properties->variable_address = PinVariable(index);
  properties->direction = pin.direction;
  properties->datatype = pin.datatype;
  properties->name = pin.name;
  if (pin.default_value) properties->default_value = pin.default_value;
  if (pin.value_list) properties->value_list = pin.value_list;
  if (pin.flags) properties->flags = pin.flags;
  return true;
}

void* Module::PinVariable(int32_t index) {
  void* const variables[kPinCount] = {
      &m_in_l,      &m_in_r,       &m_out_l,      &m_out_r,          &m_pre_delay1,
      &m_pre_delay2, &m_max_delay1, &m_max_delay2, &m_voice_mix,      &m_wet,
      &m_dry,       &m_spread,     &m_rate1,      &m_rate2,          &m_rate3,
      &m_mod1_wave, &m_mod2_wave,  &m_mod3_wave,  &m_on_off,         &m_modulation_mode,
  };
  return variables[index];
}

// Binds the pins, derives the coefficients from the sample rate now in
// effect, starts the LFOs and delay lines afresh and announces both outputs
// as streaming. A second Open replaces the delay lines of the first.
void Module::Open() {
  OXModule_base::Open();
  m_pins_complete = PinCount() >= kPinCount;
  m_open_sample_rate = SampleRate();
  m_delay_scale = static_cast<float>(0.01 * static_cast<double>(m_open_sample_rate));
  m_phase_scale = PhaseScale(m_open_sample_rate);
  m_lfo1.phase = m_lfo2.phase = m_lfo3.phase = 0;
  m_write_index = 0;
  AllocateDelayLines();
  BuildWavetable();
  UpdateWaveBases();
  m_process = ChorusRoutine(Routine(&Module::ProcessChorus));
  SelectProcess();
  if (!m_pins_complete) return;
  GetPin(kOutL).SendStatus(SampleClock(), PS_STREAMING);
  GetPin(kOutR).SendStatus(SampleClock(), PS_STREAMING);
}

// Both lines in one allocation: when memory for them is lacking, the
// instance runs the bypass wherever it would run the chorus.
void Module::AllocateDelayLines() {
  ReleaseDelayLines();
  m_delay_frames = new (std::nothrow) float[2 * kDelayLength]();
}

void Module::ReleaseDelayLines() {
  delete[] m_delay_frames;
  m_delay_frames = nullptr;
}

ChorusPins Module::PinsAt(int32_t buffer_offset) const {
  return {m_in_l + buffer_offset,       m_in_r + buffer_offset,       m_voice_mix + buffer_offset,
          m_spread + buffer_offset,     m_max_delay1 + buffer_offset, m_pre_delay1 + buffer_offset,
          m_max_delay2 + buffer_offset, m_pre_delay2 + buffer_offset, m_wet + buffer_offset,
          m_dry + buffer_offset,        m_rate1 + buffer_offset,      m_rate2 + buffer_offset,
          m_rate3 + buffer_offset,      m_out_l + buffer_offset,      m_out_r + buffer_offset};
}

ChorusLines Module::Lines() const { return {DelayLines{m_delay_frames}, m_delay_scale, m_write_index}; }

InternalLfos Module::LfosFollowingRates(const ChorusPins& pins) {
  m_lfo1.increment = IncrementFromRate(pins.rate1[0], m_phase_scale);
  m_lfo2.increment = IncrementFromRate(pins.rate2[0], m_phase_scale);
  m_lfo3.increment = IncrementFromRate(pins.rate3[0], m_phase_scale);
  return InternalLfos(m_wavetable, m_lfo1, m_lfo2, m_lfo3);
}

void Module::KeepLfos(const InternalLfos& lfos) {
  m_lfo1 = lfos.lfo1;
  m_lfo2 = lfos.lfo2;
  m_lfo3 = lfos.lfo3;
}

void Module::BuildWavetable() {
  m_wavetable = ChorusWavetable();
  m_lfo_segments = LfoSegments();
}

void Module::UpdateWaveBases() {
  m_lfo1.wave_base = WaveBase(m_mod1_wave);
  m_lfo2.wave_base = WaveBase(m_mod2_wave);
  m_lfo3.wave_base = WaveBase(m_mod3_wave);
}

OXModule_base::ProcessRoutine Module::ChorusRoutine(ProcessRoutine routine) const {
  return m_delay_frames ? routine : Routine(&Module::ProcessBypass);
}

// A Modulation Mode other than 0 and 1 keeps the current routine unless the
// switch is OFF. An instance without all its pins does nothing.
void Module::SelectProcess() {
  if (!m_pins_complete) {
    m_process = Routine(&Module::ProcessNothing);
    return;
  }
  if (m_modulation_mode == 1) m_process = ChorusRoutine(Routine(&Module::ProcessExternal));
  if (m_modulation_mode == 0) m_process = ChorusRoutine(Routine(&Module::ProcessChorus));
  if (m_on_off == 1) m_process = Routine(&Module::ProcessBypass);
}

// The inputs are live only when one of them streams and neither is a
// non-streaming input whose current sample is 0.0.
bool Module::InputsLive() {
  OXPin& in_l = GetPin(kInL);
  OXPin& in_r = GetPin(kInR);
  if (in_l.Status() < PS_STREAMING && ReadsZero(in_l)) return false;
  if (in_r.Status() < PS_STREAMING && ReadsZero(in_r)) return false;
  return in_l.Status() >= PS_STREAMING || in_r.Status() >= PS_STREAMING;
}

// Any pin change first checks for silence: with the inputs not live and Out L
// below the threshold (a negative or NaN sample counts as below), the module
// zeroes one block of output and then stops working. The On|Off switch then
// has the last word, and a wave pin moves its LFO to the other wave.
void Module::OnPinStatusChange(OXPin& pin) {
  if (!m_pins_complete) return;
  if (!InputsLive() && !(GetPin(kOutL).CurrentSample() >= kSilenceThreshold)) {
    m_silence_countdown = BlockSize();
    m_process = Routine(&Module::ProcessSilence);
  } else {
    SelectProcess();
  }
  switch (pin.Index()) {
    case kOnOff:
      if (m_on_off == 1) {
        m_process = Routine(&Module::ProcessBypass);
      } else {
        SelectProcess();
      }
      break;
    case kMod1Wave:
      m_lfo1.wave_base = WaveBase(m_mod1_wave);
      break;
    case kMod2Wave:
      m_lfo2.wave_base = WaveBase(m_mod2_wave);
      break;
    case kMod3Wave:
      m_lfo3.wave_base = WaveBase(m_mod3_wave);
      break;
    default:
      break;
  }
}

}  // namespace chorus
