#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>

#include "host/tool/staged_file.h"

namespace oxhost {

// An audio file being read, frames of interleaved 32-bit floats.
class AudioReader {
 public:
  AudioReader() = default;
  ~AudioReader();
  AudioReader(const AudioReader&) = delete;
  AudioReader& operator=(const AudioReader&) = delete;

  bool Open(const std::string& path, std::string& error);
  int channels() const { return info_.channels; }
  int sample_rate() const { return info_.samplerate; }
  int64_t frames() const { return info_.frames; }
  // Reads up to `count` frames into `frames`; past the end of the file the
  // rest is filled with silence. False with `error` set on a read error.
  bool Read(float* frames, int32_t count, std::string& error);

 private:
  std::string path_;
  SNDFILE* file_ = nullptr;
  SF_INFO info_{};
  bool at_end_ = false;
};

// An audio file being written under a temporary name and renamed into place
// by Commit. The container comes from the file's extension (.wav, .flac,
// .aif, .aiff); `sample_format` is "float", "16", "24" or "32", or empty for
// the container's default (float; 24 for FLAC).
class AudioWriter {
 public:
  AudioWriter() = default;
  ~AudioWriter();
  AudioWriter(const AudioWriter&) = delete;
  AudioWriter& operator=(const AudioWriter&) = delete;

  bool Open(const std::string& path, const std::string& sample_format, int channels, int sample_rate,
            std::string& error);
  bool Write(const float* frames, int32_t count, std::string& error);
  bool Close(std::string& error);
  // Renames the closed file into place; a file never committed is removed.
  bool Commit(std::string& error) { return staged_.Commit(error); }

 private:
  StagedFile staged_;
  SNDFILE* file_ = nullptr;
};

// Checks an output path and sample format without writing anything.
bool CheckAudioOutput(const std::string& path, const std::string& sample_format, int channels, int sample_rate,
                      std::string& error);

}  // namespace oxhost
