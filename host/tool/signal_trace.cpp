#include "host/tool/signal_trace.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace oxhost {

namespace {

// A text as a gnuplot string in single quotes.
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

bool RunGnuplot(const std::string& script_path, std::string& error) {
  std::string program = "gnuplot";
  std::vector<char*> argv = {program.data(), const_cast<char*>(script_path.c_str()), nullptr};
  pid_t child = 0;
  int started = posix_spawnp(&child, "gnuplot", nullptr, nullptr, argv.data(), environ);
  if (started != 0) {
    error = std::string("cannot run gnuplot (scripts/setup.sh installs it): ") + std::strerror(started);
    return false;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      error = std::string("cannot wait for gnuplot: ") + std::strerror(errno);
      return false;
    }
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error = "gnuplot failed to draw the plot";
    return false;
  }
  return true;
}

}  // namespace

SignalTrace::~SignalTrace() {
  if (file_) std::fclose(file_);
}

bool SignalTrace::Open(const std::string& path, const std::vector<std::string>& names, double sample_rate,
                       std::string& error) {
  int descriptor = staged_.Create(path, error);
  if (descriptor < 0) return false;
  file_ = fdopen(descriptor, "w");
  if (!file_) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    close(descriptor);
    return false;
  }
  sample_rate_ = sample_rate;
  last_.assign(names.size(), 0.0f);
  std::fputs("sample,seconds", file_);
  for (const std::string& name : names) {
    std::string field = name;
    for (char& c : field) {
      if (c == ',' || c == '"') c = ' ';
    }
    std::fprintf(file_, ",%s", field.c_str());
  }
  std::fputc('\n', file_);
  return true;
}

void SignalTrace::WriteRow(int64_t sample, const std::vector<float>& values) {
  std::fprintf(file_, "%lld,%.6f", static_cast<long long>(sample), static_cast<double>(sample) / sample_rate_);
  for (float value : values) std::fprintf(file_, ",%.9g", static_cast<double>(value));
  std::fputc('\n', file_);
}

void SignalTrace::Add(const std::vector<const float*>& signals, int32_t count) {
  std::vector<float> values(signals.size());
  for (int32_t i = 0; i < count; ++i, ++sample_) {
    bool changed = sample_ == 0;
    for (std::size_t s = 0; s < signals.size(); ++s) {
      values[s] = signals[s][i];
      // Bitwise comparison: a change of sign of zero or a NaN counts too.
      changed = changed || std::memcmp(&values[s], &last_[s], sizeof(float)) != 0;
    }
    if (changed) WriteRow(sample_, values);
    last_written_ = changed;
    last_.swap(values);
    values.resize(signals.size());
  }
}

bool SignalTrace::Close(std::string& error) {
  if (sample_ > 0 && !last_written_) WriteRow(sample_ - 1, last_);
  bool written = std::ferror(file_) == 0;
  bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed) {
    error = "cannot write '" + staged_.final_path() + "'";
    return false;
  }
  return true;
}

bool PlotTrace(const std::string& trace_path, const std::vector<std::string>& names, const std::string& title,
               const StagedFile& picture, std::string& error) {
  StagedFile script;
  int script_descriptor = script.Create(picture.final_path() + ".gp", error);
  if (script_descriptor < 0) return false;
  std::FILE* file = fdopen(script_descriptor, "w");
  if (!file) {
    error = std::string("cannot write the plot script: ") + std::strerror(errno);
    close(script_descriptor);
    return false;
  }
  std::fprintf(file, "set terminal png size 1200,500\nset output %s\n", Quoted(picture.temporary_path()).c_str());
  std::fprintf(file, "set datafile separator ','\nset title %s noenhanced\n", Quoted(title).c_str());
  std::fputs("set xlabel 'seconds'\nset ylabel 'value'\nset grid\nset key outside below\nplot ", file);
  for (std::size_t s = 0; s < names.size(); ++s) {
    std::fprintf(file, "%s%s using 2:%zu with steps title %s noenhanced", s == 0 ? "" : ", ",
                 Quoted(trace_path).c_str(), s + 3, Quoted(names[s]).c_str());
  }
  std::fputc('\n', file);
  bool written = std::ferror(file) == 0;
  if (std::fclose(file) != 0 || !written) {
    error = "cannot write the plot script";
    return false;
  }
  return RunGnuplot(script.temporary_path(), error);
}

}  // namespace oxhost
