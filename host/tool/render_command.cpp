#include "host/tool/render_command.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <limits>
#include <memory>

#include "host/module_host.h"
#include "host/module_library.h"
#include "host/tool/audio_file.h"
#include "host/tool/pin_roles.h"
#include "host/tool/signal_trace.h"

namespace oxhost {

namespace {

volatile std::sig_atomic_t interrupted = 0;

constexpr int32_t kDefaultRate = 44100;
constexpr int32_t kChunkFrames = 16384;

// A bar on stderr, redrawn when the whole percentage changes; only when
// stderr is a terminal.
class ProgressBar {
 public:
  explicit ProgressBar(int64_t total) : total_(total), shown_(isatty(STDERR_FILENO) == 1) {}
  ~ProgressBar() {
    if (shown_ && percent_ >= 0) std::fputs("\r\033[K", stderr);
  }
  void Update(int64_t done) {
    if (!shown_) return;
    int percent = static_cast<int>(done * 100 / total_);
    if (percent == percent_) return;
    percent_ = percent;
    constexpr int kWidth = 40;
    std::string bar(static_cast<std::size_t>(percent * kWidth / 100), '#');
    bar.resize(kWidth, '.');
    std::fprintf(stderr, "\r[%s] %3d%%", bar.c_str(), percent);
    std::fflush(stderr);
  }

 private:
  int64_t total_;
  bool shown_;
  int percent_ = -1;
};

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", seconds);
  return text;
}

// The pins the command names, with their values in the module's terms.
struct ResolvedChange {
  int64_t clock;
  int32_t pin;
  PinValue value;
};

bool ResolveSetting(const ModuleHost& host, const PinSetting& setting, int32_t& pin, PinValue& value,
                    Failure& failure) {
  std::string error;
  const PinDescription* found = host.FindPin(setting.pin, error);
  if (!found) return failure.Set(kExitUsage, error);
  if (!found->is_input()) {
    return failure.Set(kExitUsage, "pin " + std::to_string(found->number) + " '" + found->name + "' is an output");
  }
  if (!ParsePinValue(*found, setting.value, value, error)) return failure.Set(kExitUsage, error);
  pin = found->number;
  return true;
}

// Everything a render writes; committed together at the end.
struct RenderOutputs {
  AudioWriter audio;
  std::unique_ptr<SignalTrace> trace;
  std::unique_ptr<StagedFile> picture;
};

bool OpenOutputs(const Command& command, const ModuleDescription& description, const std::vector<int32_t>& outputs,
                 int32_t rate, RenderOutputs& files, std::vector<std::string>& names, Failure& failure) {
  std::string error;
  if (!files.audio.Open(command.output, command.format, static_cast<int>(outputs.size()), rate, error)) {
    return failure.Set(kExitFile, error);
  }
  for (int32_t pin : outputs) names.push_back(description.pins[pin].name);
  if (command.csv.empty() && command.plot.empty()) return true;
  files.trace = std::make_unique<SignalTrace>();
  const std::string trace_path = command.csv.empty() ? command.plot + ".csv" : command.csv;
  if (!files.trace->Open(trace_path, names, rate, error)) return failure.Set(kExitFile, error);
  if (command.plot.empty()) return true;
  files.picture = std::make_unique<StagedFile>();
  int descriptor = files.picture->Create(command.plot, error);
  if (descriptor < 0) return failure.Set(kExitFile, error);
  close(descriptor);
  return true;
}

bool FinishOutputs(const Command& command, const std::string& title, const std::vector<std::string>& names,
                   RenderOutputs& files, Failure& failure) {
  std::string error;
  if (!files.audio.Close(error)) return failure.Set(kExitFile, error);
  if (files.trace && !files.trace->Close(error)) return failure.Set(kExitFile, error);
  if (files.picture && !PlotTrace(files.trace->written_path(), names, title, *files.picture, error)) {
    return failure.Set(kExitFile, error);
  }
  if (!files.audio.Commit(error)) return failure.Set(kExitFile, error);
  if (!command.csv.empty() && !files.trace->Commit(error)) return failure.Set(kExitFile, error);
  if (files.picture && !files.picture->Commit(error)) return failure.Set(kExitFile, error);
  return true;
}

}  // namespace

void InterruptRender() { interrupted = 1; }

bool RunRender(const Command& command, RenderSummary& summary, Failure& failure) {
  const auto started = std::chrono::steady_clock::now();
  std::string error;
  auto library = ModuleLibrary::Load(command.library, error);
  if (!library) return failure.Set(kExitModule, error);
  auto host = ModuleHost::Load(*library, error);
  if (!host) return failure.Set(kExitModule, error);
  const ModuleDescription& description = host->description();
  const std::vector<int32_t> audio_inputs = AudioInputs(description);
  const std::vector<int32_t> outputs = FileOutputs(description);
  if (outputs.empty()) return failure.Set(kExitModule, "the module has no sample outputs to write");

  AudioReader reader;
  const bool has_input = !command.input.empty();
  if (has_input) {
    if (audio_inputs.empty()) {
      return failure.Set(kExitUsage, "the module has no audio inputs to feed from '" + command.input + "'");
    }
    if (!reader.Open(command.input, error)) return failure.Set(kExitFile, error);
    if (reader.channels() != 1 && static_cast<std::size_t>(reader.channels()) != audio_inputs.size()) {
      return failure.Set(kExitFile, "'" + command.input + "' has " + std::to_string(reader.channels()) +
                                        " channels; the module takes 1 or " + std::to_string(audio_inputs.size()));
    }
    if (command.rate != 0 && command.rate != reader.sample_rate()) {
      return failure.Set(kExitUsage, "'" + command.input + "' is at " + std::to_string(reader.sample_rate()) +
                                         " Hz, not " + std::to_string(command.rate) + " (oxhost does not resample)");
    }
  }
  const int32_t rate = command.rate != 0 ? command.rate : has_input ? reader.sample_rate() : kDefaultRate;
  const double length = command.seconds > 0.0 ? std::round(command.seconds * rate)
                        : has_input          ? static_cast<double>(reader.frames())
                                             : -1.0;
  if (length < 0.0) return failure.Set(kExitUsage, "without an input file, give the length with --seconds");
  if (length < 1.0) return failure.Set(kExitUsage, "nothing to render: the length is less than one sample");
  if (length > std::numeric_limits<int32_t>::max()) {
    return failure.Set(kExitUsage, "the render is too long (at most 2^31-1 samples)");
  }
  const auto frames = static_cast<int64_t>(length);

  for (const PinSetting& setting : command.settings) {
    int32_t pin = 0;
    PinValue value;
    if (!ResolveSetting(*host, setting, pin, value, failure)) return false;
    if (has_input && IsAudioInput(description.pins[pin])) {
      return failure.Set(kExitUsage, "pin " + std::to_string(pin) + " '" + description.pins[pin].name +
                                         "' is fed from '" + command.input + "'");
    }
    if (!host->SetInitialValue(pin, value, error)) return failure.Set(kExitUsage, error);
  }
  std::vector<ResolvedChange> changes;
  for (const TimedSetting& timed : command.changes) {
    ResolvedChange change{static_cast<int64_t>(std::llround(timed.seconds * rate)), 0, PinValue()};
    if (!ResolveSetting(*host, timed.setting, change.pin, change.value, failure)) return false;
    if (change.clock >= frames) {
      return failure.Set(kExitUsage, "--at " + Seconds(timed.seconds) + " lies beyond the end of the render (" +
                                         Seconds(static_cast<double>(frames) / rate) + ")");
    }
    changes.push_back(change);
  }
  if (has_input) {
    for (int32_t pin : audio_inputs) {
      if (!host->StreamInput(pin, error)) return failure.Set(kExitUsage, error);
    }
  }
  if (!host->Open(static_cast<float>(rate), command.block, error)) return failure.Set(kExitModule, error);
  for (const ResolvedChange& change : changes) {
    if (!host->ScheduleChange(change.clock, change.pin, change.value, error)) return failure.Set(kExitUsage, error);
  }

  RenderOutputs files;
  std::vector<std::string> names;
  if (!OpenOutputs(command, description, outputs, rate, files, names, failure)) return false;

  // Buffers stay where they are for the instance's life: look them up once.
  const int channels = has_input ? reader.channels() : 0;
  std::vector<float*> input_buffers;
  for (int32_t pin : audio_inputs) input_buffers.push_back(host->InputBuffer(pin));
  std::vector<const float*> output_buffers;
  for (int32_t pin : outputs) output_buffers.push_back(host->OutputBuffer(pin));
  const std::size_t output_count = outputs.size();
  // The files are read and written a chunk of whole blocks at a time (at
  // least kChunkFrames frames), which the host then processes block by block.
  const int32_t chunk = command.block * std::max<int32_t>(1, kChunkFrames / command.block);
  std::vector<float> input_frames(static_cast<std::size_t>(chunk) * std::max(channels, 1));
  std::vector<float> output_frames(static_cast<std::size_t>(chunk) * output_count);

  ProgressBar progress(frames);
  for (int64_t done = 0; done < frames;) {
    if (interrupted) return failure.Set(kExitInterrupted, "interrupted; nothing written");
    const auto chunk_count = static_cast<int32_t>(std::min<int64_t>(chunk, frames - done));
    if (has_input && !reader.Read(input_frames.data(), chunk_count, error)) return failure.Set(kExitFile, error);
    for (int32_t start = 0; start < chunk_count; start += command.block) {
      const int32_t count = std::min(command.block, chunk_count - start);
      const float* in = input_frames.data() + static_cast<std::size_t>(start) * channels;
      for (std::size_t a = 0; a < input_buffers.size() && has_input; ++a) {
        const std::size_t channel = channels == 1 ? 0 : a;
        float* buffer = input_buffers[a];
        for (int32_t i = 0; i < count; ++i) buffer[i] = in[i * channels + channel];
      }
      host->ProcessBlock(count);
      float* out = output_frames.data() + static_cast<std::size_t>(start) * output_count;
      for (std::size_t o = 0; o < output_count; ++o) {
        const float* buffer = output_buffers[o];
        for (int32_t i = 0; i < count; ++i) out[i * output_count + o] = buffer[i];
      }
      if (files.trace) files.trace->Add(output_buffers, count);
    }
    if (!files.audio.Write(output_frames.data(), chunk_count, error)) return failure.Set(kExitFile, error);
    done += chunk_count;
    progress.Update(done);
  }
  host->Close();
  if (!FinishOutputs(command, description.name, names, files, failure)) return false;

  summary.frames = frames;
  summary.sample_rate = rate;
  summary.wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return true;
}

}  // namespace oxhost
