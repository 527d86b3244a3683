// The drift module's output computed from its generator formulas, for a host
// that calls it once per block of equal length with depth 1.0 after Active
// was switched ON at clock 0, with the default rate ("4" s) and update rate 4.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace oxtest {

class DriftModel {
 public:
  DriftModel(double sample_rate, uint32_t block_size)
      : block_size_(block_size), samples_per_target_(static_cast<uint32_t>(sample_rate * 4.0)) {
    if (samples_per_target_ < block_size_) samples_per_target_ = block_size_;
    sample_count_ = samples_per_target_;
    blocks_per_target_ = static_cast<int32_t>(samples_per_target_ / block_size_);
  }

  // One drifting process call of `count` samples; returns whether it wrote
  // the output, and the value it wrote.
  bool Call(int32_t count, float& written) {
    sample_count_ += static_cast<uint32_t>(count);
    if (sample_count_ >= samples_per_target_) {
      sample_count_ = 0;
      target_ = Random();  // times the depth, 1.0
      step_ = static_cast<float>(std::fabs(static_cast<double>(target_ - current_)) / blocks_per_target_);
    }
    if (current_ < target_) {
      current_ = current_ + step_;
      if (current_ > target_) current_ = target_;
    } else {
      current_ = current_ - step_;
      if (current_ < target_) current_ = target_;
    }
    if (++update_count_ >= kUpdateRate) {
      update_count_ = 0;
      held_ = current_;
      fill_countdown_ = static_cast<int32_t>(block_size_);
    }
    if (fill_countdown_ < 0) return false;
    fill_countdown_ -= count;
    written = held_;
    return true;
  }

 private:
  static constexpr int32_t kUpdateRate = 4;

  float Random() {
    state_ = state_ * 196314165u + 907633515u;
    const uint32_t scale_bits = 0x2CF5C28Fu;
    float scale;
    std::memcpy(&scale, &scale_bits, sizeof scale);
    return static_cast<float>(static_cast<double>(static_cast<int32_t>(state_)) * static_cast<double>(scale));
  }

  uint32_t state_ = 164418u;
  uint32_t block_size_;
  uint32_t samples_per_target_;
  uint32_t sample_count_;
  int32_t blocks_per_target_;
  int32_t update_count_ = 0;
  int32_t fill_countdown_ = 0;
  float current_ = 0.0f, target_ = 0.0f, step_ = 0.0f, held_ = 0.0f;
};

}  // namespace oxtest
