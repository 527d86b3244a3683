// The analogue-drift generator: a slowly wandering control value that imitates
// the pitch drift of analogue oscillators.
#pragma once

#include <stdint.h>

#include "ox_sdk2/OXModule_base.h"

class Module : public OXModule_base {
 public:
  Module(OXHostCallback callback, void* host_handle);
  ~Module() override;

  // The module type's identity: name, identifier, about text and flags.
  static void DescribeType(OXModuleProperties* properties);

  void OnPinStatusChange(OXPin* pin) override;
  void Open() override;
  bool GetPinProperties(int32_t index, OXPinProperties* properties) override;

 private:
  // While drifting: draws targets, steps toward them once per call and
  // publishes the value every m_update_rate calls.
  void ProcessDrift(int32_t offset, int32_t count);
  // While off: writes zeros and, once a block of them is out, asks for sleep.
  void ProcessIdle(int32_t offset, int32_t count);

  void OnRateChange();
  int32_t BlocksIn(uint32_t samples) const;
  void GoIdle();
  void DriftIfAllowed();
  void ReportOutput();
  void DrawTarget(float depth);
  void StepTowardTarget();
  void Publish();
  void WriteOutput(int32_t offset, int32_t count, float value);

  float* m_drift_out = nullptr;
  float* m_depth_in = nullptr;
  uint32_t m_open_block_size = 0;
  int32_t m_fill_countdown = 0;
  float m_current = 0.0f;
  float m_target = 0.0f;
  float m_depth_flag = 0.0f;
  float m_step = 0.0f;
  float m_held = 0.0f;
  uint32_t m_samples_per_target = 0;
  uint32_t m_sample_count = 0;
  int32_t m_blocks_per_target = 0;
  int32_t m_update_count = 0;
  OXPin* m_output_pin = nullptr;
  int16_t m_active = 0;
  int16_t m_rate_index = 0;
  int16_t m_update_rate = 0;
};
