// The stereo chorus: each input channel runs through a delay line of its own;
// two voices read both lines at delay times swept by two LFOs (or by external
// modulation signals), a third LFO moves the voices between left and right,
// and Wet, Dry, VoiceMix and Spread mix the result. It can be switched to a
// plain copy of its inputs, and it falls silent when its inputs do.
#pragma once

#include <cstdint>

#include "chorus/chorus_loop.h"
#include "ox_sdk/OXModule_base.h"

namespace chorus {

class Module : public OXModule_base {
 public:
  explicit Module(OXHostCallback callback);
  ~Module() override;

  void OnPinStatusChange(OXPin& pin) override;
  void Open() override;
  bool GetModuleProperties(OXModuleProperties* properties) override;
  bool GetPinProperties(int32_t index, OXPinProperties* properties) override;

  // The process routines; `m_process` refers to one of them.
  virtual void ProcessChorus(int32_t buffer_offset, int32_t count);
  virtual void ProcessBypass(int32_t buffer_offset, int32_t count);
  virtual void ProcessExternal(int32_t buffer_offset, int32_t count);
  virtual void ProcessSilence(int32_t buffer_offset, int32_t count);
  virtual void ProcessNothing(int32_t buffer_offset, int32_t count);
  // Takes this instance's share of the library's wavetable.
  virtual void BuildWavetable();

  void SelectProcess();
  void AllocateDelayLines();

 private:
  // The pins of the stretch that starts at `buffer_offset`, and the delay
  // lines as they stand, for the chorus loop.
  ChorusPins PinsAt(int32_t buffer_offset) const;
  ChorusLines Lines() const;
  // The internal LFOs for one call, their increments taken from the Rate
  // pins' first samples, and their state kept after the call.
  InternalLfos LfosFollowingRates(const ChorusPins& pins);
  void KeepLfos(const InternalLfos& lfos);
  // The routine a chorus mode asks for, or the bypass while the instance
  // cannot run the chorus.
  ProcessRoutine ChorusRoutine(ProcessRoutine routine) const;
  void* PinVariable(int32_t index);
  void UpdateWaveBases();
  bool InputsLive();
  void ReleaseDelayLines();

  // Choices, written by their pins.
  int16_t m_on_off = 0;           // 0 ON, 1 OFF (bypass)
  int16_t m_modulation_mode = 0;  // 0 internal LFOs, 1 external source
  int16_t m_mod1_wave = 0;        // 0 sine, 1 triangle
  int16_t m_mod2_wave = 0;
  int16_t m_mod3_wave = 0;

  // Sample buffers, written by the host.
  float* m_in_l = nullptr;
  float* m_in_r = nullptr;
  float* m_out_l = nullptr;
  float* m_out_r = nullptr;
  float* m_rate1 = nullptr;
  float* m_rate2 = nullptr;
  float* m_rate3 = nullptr;
  float* m_max_delay1 = nullptr;
  float* m_pre_delay1 = nullptr;
  float* m_max_delay2 = nullptr;
  float* m_pre_delay2 = nullptr;
  float* m_wet = nullptr;
  float* m_dry = nullptr;
  float* m_voice_mix = nullptr;
  float* m_spread = nullptr;

  // Coefficients, derived in Open from the sample rate then in effect.
  float m_open_sample_rate = 0.0f;
  float m_delay_scale = 0.0f;  // delay-line samples per unit of a delay pin
  float m_phase_scale = 0.0f;  // phase units per sample per unit of a Rate pin

  // State that persists across calls.
  const int32_t* m_wavetable = nullptr;
  const int32_t* m_lfo_segments = nullptr;  // the wavetable as LfoSegments() arranges it
  Lfo m_lfo1;  // sweeps voice 1's delay
  Lfo m_lfo2;  // sweeps voice 2's delay
  Lfo m_lfo3;  // pans the voices
  float* m_delay_frames = nullptr;  // both delay lines, frame by frame (DelayLines)
  uint32_t m_write_index = 0;  // delay-line element written next
  int32_t m_silence_countdown = 0;
  // Whether the host gave the instance all its pins; without them the
  // instance does no work and touches no pin.
  bool m_pins_complete = false;
};

}  // namespace chorus
