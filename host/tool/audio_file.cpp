#include "host/tool/audio_file.h"

#include <algorithm>
#include <cctype>

namespace oxhost {

namespace {

std::string Extension(const std::string& path) {
  auto slash = path.rfind('/');
  auto dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

bool ContainerFor(const std::string& path, int& container, std::string& error) {
  std::string extension = Extension(path);
  if (extension == "wav") {
    container = SF_FORMAT_WAV;
  } else if (extension == "flac") {
    container = SF_FORMAT_FLAC;
  } else if (extension == "aif" || extension == "aiff") {
    container = SF_FORMAT_AIFF;
  } else {
    error = "unsupported output file type '" + path + "' (use .wav, .flac, .aif or .aiff)";
    return false;
  }
  return true;
}

bool SampleFormatFor(const std::string& name, int container, int& sample_format, std::string& error) {
  if (name.empty()) {
    sample_format = container == SF_FORMAT_FLAC ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT;
  } else if (name == "float") {
    sample_format = SF_FORMAT_FLOAT;
  } else if (name == "16") {
    sample_format = SF_FORMAT_PCM_16;
  } else if (name == "24") {
    sample_format = SF_FORMAT_PCM_24;
  } else if (name == "32") {
    sample_format = SF_FORMAT_PCM_32;
  } else {
    error = "unknown --format '" + name + "' (use float, 16, 24 or 32)";
    return false;
  }
  return true;
}

bool OutputInfo(const std::string& path, const std::string& sample_format, int channels, int sample_rate,
                SF_INFO& info, std::string& error) {
  int container = 0;
  int format = 0;
  if (!ContainerFor(path, container, error) || !SampleFormatFor(sample_format, container, format, error)) {
    return false;
  }
  info = SF_INFO{};
  info.channels = channels;
  info.samplerate = sample_rate;
  info.format = container | format;
  if (!sf_format_check(&info)) {
    error = "'" + path + "' cannot hold " + std::to_string(channels) + " channel(s) of " +
            (sample_format.empty() ? "float" : sample_format) + " samples at " + std::to_string(sample_rate) +
            " Hz; choose another --format or file type";
    return false;
  }
  return true;
}

}  // namespace

AudioReader::~AudioReader() {
  if (file_) sf_close(file_);
}

bool AudioReader::Open(const std::string& path, std::string& error) {
  path_ = path;
  info_ = SF_INFO{};
  file_ = sf_open(path.c_str(), SFM_READ, &info_);
  if (!file_) {
    error = "cannot read input '" + path + "': " + sf_strerror(nullptr);
    return false;
  }
  if (info_.channels < 1) {
    error = "cannot read input '" + path + "': it has no channels";
    return false;
  }
  return true;
}

bool AudioReader::Read(float* frames, int32_t count, std::string& error) {
  sf_count_t got = 0;
  if (!at_end_) {
    got = sf_readf_float(file_, frames, count);
    if (sf_error(file_) != SF_ERR_NO_ERROR) {
      error = "cannot read input '" + path_ + "': " + sf_strerror(file_);
      return false;
    }
    if (got < count) at_end_ = true;
  }
  std::fill(frames + got * info_.channels, frames + static_cast<int64_t>(count) * info_.channels, 0.0f);
  return true;
}

bool CheckAudioOutput(const std::string& path, const std::string& sample_format, int channels, int sample_rate,
                      std::string& error) {
  SF_INFO info;
  return OutputInfo(path, sample_format, channels, sample_rate, info, error);
}

AudioWriter::~AudioWriter() {
  if (file_) sf_close(file_);
}

bool AudioWriter::Open(const std::string& path, const std::string& sample_format, int channels,
                       int sample_rate, std::string& error) {
  SF_INFO info;
  if (!OutputInfo(path, sample_format, channels, sample_rate, info, error)) return false;
  int descriptor = staged_.Create(path, error);
  if (descriptor < 0) return false;
  file_ = sf_open_fd(descriptor, SFM_WRITE, &info, SF_TRUE);
  if (!file_) {
    error = "cannot write '" + path + "': " + sf_strerror(nullptr);
    return false;
  }
  // Integer formats clip what lies beyond full scale instead of wrapping.
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  return true;
}

bool AudioWriter::Write(const float* frames, int32_t count, std::string& error) {
  if (sf_writef_float(file_, frames, count) != count) {
    error = "cannot write '" + staged_.final_path() + "': " + sf_strerror(file_);
    return false;
  }
  return true;
}

bool AudioWriter::Close(std::string& error) {
  int closed = sf_close(file_);
  file_ = nullptr;
  if (closed != 0) {
    error = "cannot write '" + staged_.final_path() + "': " + sf_error_number(closed);
    return false;
  }
  return true;
}

}  // namespace oxhost
