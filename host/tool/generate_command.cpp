#include "host/tool/generate_command.h"

#include <cmath>

#include "host/tool/audio_file.h"
#include "host/tool/pluck_chord.h"

namespace oxhost {

namespace {

constexpr double kDefaultSeconds = 6.0;
constexpr int32_t kDefaultRate = 44100;

}  // namespace

bool RunGenerate(const Command& command, Failure& failure) {
  if (command.signal != "pluck-chord") {
    return failure.Set(kExitUsage, "unknown signal '" + command.signal + "' (oxhost can generate pluck-chord)");
  }
  const int32_t rate = command.rate != 0 ? command.rate : kDefaultRate;
  const double seconds = command.seconds > 0.0 ? command.seconds : kDefaultSeconds;
  const double frames = std::round(seconds * rate);
  if (frames < 1.0 || frames > 1.0e9) return failure.Set(kExitUsage, "--seconds gives no usable length");
  const std::vector<float> signal = PluckChord(static_cast<int64_t>(frames), rate);

  std::string error;
  AudioWriter writer;
  if (!writer.Open(command.output, command.format, 1, rate, error)) return failure.Set(kExitFile, error);
  constexpr int32_t kChunk = 65536;
  for (std::size_t done = 0; done < signal.size(); done += kChunk) {
    auto count = static_cast<int32_t>(std::min<std::size_t>(kChunk, signal.size() - done));
    if (!writer.Write(signal.data() + done, count, error)) return failure.Set(kExitFile, error);
  }
  if (!writer.Close(error) || !writer.Commit(error)) return failure.Set(kExitFile, error);
  return true;
}

}  // namespace oxhost
