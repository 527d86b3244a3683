#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "host/tool/staged_file.h"

namespace oxhost {

// The output signals as numbers: a CSV file with one row for the first
// sample and for every sample at which any signal changes, plus the last
// sample ("sample,seconds,<signal>..."). A control signal that holds still
// for thousands of samples thus takes a few rows, and the rows drawn as steps
// give back every sample exactly.
class SignalTrace {
 public:
  SignalTrace() = default;
  ~SignalTrace();
  SignalTrace(const SignalTrace&) = delete;
  SignalTrace& operator=(const SignalTrace&) = delete;

  bool Open(const std::string& path, const std::vector<std::string>& names, double sample_rate,
            std::string& error);
  // Adds `count` samples of every signal (one buffer per signal).
  void Add(const std::vector<const float*>& signals, int32_t count);
  // Writes the closing row and closes the file.
  bool Close(std::string& error);
  // Renames the closed file into place; a trace never committed is removed.
  bool Commit(std::string& error) { return staged_.Commit(error); }
  const std::string& written_path() const { return staged_.temporary_path(); }

 private:
  void WriteRow(int64_t sample, const std::vector<float>& values);

  StagedFile staged_;
  std::FILE* file_ = nullptr;
  double sample_rate_ = 1.0;
  int64_t sample_ = 0;
  bool last_written_ = false;
  std::vector<float> last_;
};

// Draws a closed trace as a picture with gnuplot (the signals over time in
// seconds) into `picture`, created and later committed by the caller.
bool PlotTrace(const std::string& trace_path, const std::vector<std::string>& names, const std::string& title,
               const StagedFile& picture, std::string& error);

}  // namespace oxhost
