// The oxhost tool end to end: its info output, renders compared with results
// computed here, automation at its sample, and every error path with its
// exit code and nothing left at the output path.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/host/drift_model.h"

extern char** environ;

namespace {

struct ToolRun {
  int code = -1;
  std::string out;
  std::string err;
};

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

struct Audio {
  int channels = 0;
  int rate = 0;
  std::vector<float> frames;  // interleaved
  float At(std::size_t frame, int channel) const { return frames[frame * channels + channel]; }
  std::size_t size() const { return channels ? frames.size() / channels : 0; }
};

Audio ReadAudio(const std::string& path) {
  Audio audio;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
  if (!file) return audio;
  audio.channels = info.channels;
  audio.rate = info.samplerate;
  audio.frames.resize(static_cast<std::size_t>(info.frames * info.channels));
  EXPECT_EQ(sf_readf_float(file, audio.frames.data(), info.frames), info.frames);
  sf_close(file);
  return audio;
}

void WriteAudio(const std::string& path, const Audio& audio) {
  SF_INFO info{};
  info.channels = audio.channels;
  info.samplerate = audio.rate;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  auto frames = static_cast<sf_count_t>(audio.size());
  EXPECT_EQ(sf_writef_float(file, audio.frames.data(), frames), frames);
  sf_close(file);
}

float Left(std::size_t n) { return 0.5f * std::sin(0.01f * static_cast<float>(n)); }
float Right(std::size_t n) { return 0.3f * std::cos(0.037f * static_cast<float>(n)) - 0.1f; }

Audio Signal(int channels, int rate, std::size_t frames) {
  Audio audio;
  audio.channels = channels;
  audio.rate = rate;
  for (std::size_t n = 0; n < frames; ++n) {
    audio.frames.push_back(Left(n));
    if (channels > 1) audio.frames.push_back(Right(n));
    for (int c = 2; c < channels; ++c) audio.frames.push_back(0.0f);
  }
  return audio;
}

class OxhostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "oxhost_cli_XXXXXX";
    std::vector<char> path(pattern.begin(), pattern.end());
    path.push_back('\0');
    ASSERT_NE(mkdtemp(path.data()), nullptr);
    dir_ = path.data();
  }
  void TearDown() override {
    for (const std::string& name : Entries()) unlink(Path(name).c_str());
    rmdir(dir_.c_str());
  }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  std::set<std::string> Entries() const {
    std::set<std::string> names;
    if (DIR* directory = opendir(dir_.c_str())) {
      while (dirent* entry = readdir(directory)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.insert(name);
      }
      closedir(directory);
    }
    return names;
  }

  ToolRun Run(const std::vector<std::string>& args) {
    std::vector<std::string> all = {OX_HOST_TOOL};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string out_path = Path(".stdout"), err_path = Path(".stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ToolRun run;
    pid_t child = 0;
    int started = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(started, 0);
    if (started != 0) return run;
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = ReadText(out_path);
    run.err = ReadText(err_path);
    unlink(out_path.c_str());
    unlink(err_path.c_str());
    return run;
  }

  std::string dir_;
};

TEST_F(OxhostTest, InfoShowsIdentityAndPinTable) {
  struct Case {
    const char* library;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {OX_CHORUS_LIBRARY,
       {"module      Zarn_Chorus 1.3", "generation  1 (export main)", "pins        20",
        "  0   in     sample   In L                    0         file in",
        "  3   out    sample   Out R                   -         file out",
        "  14  in     sample   Rate2(Hz)               0.34                5,0.1,5,0.1",
        "  18  in     choice   On|Off                  ON                  ON,OFF",
        "  19  in (3) choice   Modulation Mode         Internal LFO           Internal LFO,External Source"}},
      {OX_DRIFT_LIBRARY,
       {"module      Nuvo_Analogue_Drift", "id          Analogue_Drift_Emulation_Nuvo2006", "flags       0x8C0",
        "about       Analogue Drift Emulation", "pins        5",
        "  1   in     choice   Analogue Drift Rate(s)  4                   1/100,1/50,1/25,1/10,1/5,1/3,1/2,1,2,3,4,6,10,20,40",
        "  2   out    sample   Drift.Out               -         file out",
        "  3   in     choice   Active                  OFF                 OFF,ON"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.library);
    ToolRun run = Run({"info", c.library});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const std::string& line : c.lines) EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << line;
  }
}

// All delays 0 and Spread 0: Out L = In L * ((mix + 1) * Wet + Dry),
// Out R = In R * ((2 - mix) * Wet + Dry); a mono file feeds both inputs.
TEST_F(OxhostTest, ChorusRenderFollowsTheZeroDelayFormulaForStereoAndMonoInput) {
  const std::vector<std::string> zero_delays = {"--set", "PreDly1(ms)=0", "--set", "4=0", "--set", "PreDly2(ms)=0",
                                                "--set", "MaxDelay1(ms)=0", "--set", "7=0", "--set", "Spread=0",
                                                "--set", "VoiceMix=2", "--block", "256"};
  for (int channels : {2, 1}) {
    SCOPED_TRACE(channels);
    WriteAudio(Path("in.wav"), Signal(channels, 48000, 3000));
    std::vector<std::string> args = {"render", OX_CHORUS_LIBRARY, "-i", Path("in.wav"), "-o", Path("out.wav")};
    args.insert(args.end(), zero_delays.begin(), zero_delays.end());
    ToolRun run = Run(args);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out.rfind("rendered 3000 samples (0.062 s at 48000 Hz) in ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("x realtime\n"), std::string::npos) << run.out;
    Audio out = ReadAudio(Path("out.wav"));
    ASSERT_EQ(out.channels, 2);
    ASSERT_EQ(out.rate, 48000);
    ASSERT_EQ(out.size(), 3000u);
    for (std::size_t n = 0; n < out.size(); ++n) {
      const double right = channels == 2 ? Right(n) : Left(n);
      ASSERT_NEAR(out.At(n, 0), Left(n) * (1.2 * 0.6 + 0.8), 1e-6) << n;
      ASSERT_NEAR(out.At(n, 1), right * (1.8 * 0.6 + 0.8), 1e-6) << n;
    }
  }
}

TEST_F(OxhostTest, ChorusAutomationTakesEffectAtItsSample) {
  WriteAudio(Path("in.wav"), Signal(2, 40000, 2000));
  // At 40000 Hz: Wet to 0 at sample 500, OFF (bypass) at sample 1100; both inside blocks of 256.
  ToolRun run = Run({"render", OX_CHORUS_LIBRARY, "-i", Path("in.wav"), "-o", Path("out.wav"), "--block", "256",
                     "--set", "4=0", "--set", "5=0", "--set", "6=0", "--set", "7=0", "--set", "Spread=0",
                     "--at", "0.0125", "Wet=0", "--at", "0.0275", "18=OFF"});
  ASSERT_EQ(run.code, 0) << run.err;
  Audio out = ReadAudio(Path("out.wav"));
  ASSERT_EQ(out.size(), 2000u);
  for (std::size_t n = 0; n < out.size(); ++n) {
    SCOPED_TRACE(n);
    if (n >= 1100) {
      ASSERT_EQ(out.At(n, 0), Left(n));
      ASSERT_EQ(out.At(n, 1), Right(n));
    } else {
      const double wet = n < 500 ? 0.6 : 0.0;
      ASSERT_NEAR(out.At(n, 0), Left(n) * (1.5 * wet + 0.8), 1e-6);
      ASSERT_NEAR(out.At(n, 1), Right(n) * (1.5 * wet + 0.8), 1e-6);
    }
  }
}

TEST_F(OxhostTest, DriftRenderFollowsTheGeneratorStopsAtItsSampleAndIsTracedAndPlotted) {
  const int rate = 44100, block = 1024;
  const std::size_t off = 9 * 44100 + 123;  // Active OFF at 9 s
  ToolRun run = Run({"render", OX_DRIFT_LIBRARY, "-o", Path("drift.wav"), "--seconds", "10", "--set",
                     "Analogue Drift Depth=10", "--set", "Active=ON", "--at", "9.002789", "Active=OFF", "--csv",
                     Path("drift.csv"), "--plot", Path("drift.png")});
  ASSERT_EQ(run.code, 0) << run.err;
  Audio out = ReadAudio(Path("drift.wav"));
  ASSERT_EQ(out.channels, 1);
  ASSERT_EQ(out.size(), 441000u);

  oxtest::DriftModel model(rate, block);
  float held = 0.0f;
  for (std::size_t start = 0; start < out.size(); start += block) {
    const std::size_t end = std::min(out.size(), start + block);
    if (start <= off && off < end) {
      model.Call(static_cast<int32_t>(off - start), held);
    } else if (start < off) {
      model.Call(block, held);
    }
    for (std::size_t n = start; n < end; ++n) {
      if (n >= off) {
        ASSERT_EQ(out.At(n, 0), 0.0f) << n;
      } else {
        ASSERT_NEAR(out.At(n, 0), held, 1e-6) << n;
      }
    }
  }

  // The trace has a row for every change, and the steps give every sample back.
  std::istringstream csv(ReadText(Path("drift.csv")));
  std::string line;
  ASSERT_TRUE(std::getline(csv, line));
  EXPECT_EQ(line, "sample,seconds,Drift.Out");
  std::vector<std::pair<std::size_t, float>> rows;
  while (std::getline(csv, line)) {
    std::size_t sample = std::stoul(line.substr(0, line.find(',')));
    rows.push_back({sample, std::stof(line.substr(line.rfind(',') + 1))});
  }
  ASSERT_GT(rows.size(), 10u);
  EXPECT_EQ(rows.front().first, 0u);
  EXPECT_EQ(rows.back().first, out.size() - 1);
  for (std::size_t r = 0; r + 1 < rows.size(); ++r) {
    for (std::size_t n = rows[r].first; n < rows[r + 1].first; ++n) ASSERT_EQ(out.At(n, 0), rows[r].second) << n;
  }
  EXPECT_EQ(ReadText(Path("drift.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(Entries(), (std::set<std::string>{"drift.csv", "drift.png", "drift.wav"}));
}

TEST_F(OxhostTest, GeneratesAPluckedChord) {
  ToolRun run = Run({"generate", "pluck-chord", "-o", Path("chord.flac"), "--seconds", "2", "--rate", "22050"});
  ASSERT_EQ(run.code, 0) << run.err;
  Audio chord = ReadAudio(Path("chord.flac"));
  EXPECT_EQ(chord.channels, 1);
  EXPECT_EQ(chord.rate, 22050);
  ASSERT_EQ(chord.size(), 44100u);
  float peak = 0.0f;
  for (float sample : chord.frames) peak = std::max(peak, std::fabs(sample));
  EXPECT_NEAR(peak, 0.8f, 1e-4);
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An ELF header for the other word size than this program's.
std::vector<unsigned char> ForeignElfHeader() {
  std::vector<unsigned char> bytes(64, 0);
  const bool host_is_32 = sizeof(void*) == 4;
  bytes[0] = 0x7F, bytes[1] = 'E', bytes[2] = 'L', bytes[3] = 'F';
  bytes[4] = host_is_32 ? 2 : 1;
  bytes[5] = 1, bytes[6] = 1, bytes[16] = 3;
  bytes[18] = host_is_32 ? 62 : 3;
  return bytes;
}

// A Windows DLL's headers: "MZ", the PE signature at 0x40, machine x86.
std::vector<unsigned char> WindowsDllHeader() {
  std::vector<unsigned char> bytes(256, 0);
  bytes[0] = 'M', bytes[1] = 'Z', bytes[0x3C] = 0x40;
  bytes[0x40] = 'P', bytes[0x41] = 'E', bytes[0x44] = 0x4C, bytes[0x45] = 0x01;
  return bytes;
}

TEST_F(OxhostTest, EveryBadInputFailsWithItsCodeAndLeavesNoOutput) {
  WriteAudio(Path("stereo.wav"), Signal(2, 44100, 500));
  WriteAudio(Path("three.wav"), Signal(3, 44100, 500));
  WriteBytes(Path("text.wav"), {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o', '\n'});
  WriteBytes(Path("foreign.so"), ForeignElfHeader());
  WriteBytes(Path("module.dll"), WindowsDllHeader());
  const std::string host_kind = sizeof(void*) == 4 ? "32-bit x86 ELF" : "64-bit x86-64 ELF";
  const std::string foreign_kind = sizeof(void*) == 4 ? "64-bit x86-64 ELF" : "32-bit x86 ELF";
  const std::string chorus = OX_CHORUS_LIBRARY, drift = OX_DRIFT_LIBRARY;
  const std::string in = Path("stereo.wav");
  struct Case {
    std::vector<std::string> args;  // the output is always out.wav
    int code;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{chorus, "-i", in, "--set", "Loudness=3"}, 2, "no pin named 'Loudness'"},
      {{chorus, "-i", in, "--set", "20=3"}, 2, "no pin number 20 (the module has pins 0 to 19)"},
      {{chorus, "-i", in, "--set", "Rate2(Hz)=1"}, 2, "pin name 'Rate2(Hz)' is shared by pins 13 and 14"},
      {{chorus, "-i", in, "--set", "Mod1Wave=Square"}, 2, "'Square' is not one of its choices (Sine, Triangle)"},
      {{chorus, "-i", in, "--set", "Mod1Wave=2"}, 2, "'2' is not one of its choices"},
      {{chorus, "-i", in, "--set", "Wet=lots"}, 2, "pin 9 'Wet' takes a number, not 'lots'"},
      {{chorus, "-i", in, "--set", "Out L=1"}, 2, "pin 2 'Out L' is an output"},
      {{chorus, "-i", in, "--set", "In L=1"}, 2, "pin 0 'In L' is fed from"},
      {{chorus, "-i", in, "--at", "0.5", "Wet=1"}, 2, "--at 0.5 s lies beyond the end of the render"},
      {{chorus, "-i", in, "--rate", "48000"}, 2, "is at 44100 Hz, not 48000 (oxhost does not resample)"},
      {{chorus}, 2, "without an input file, give the length with --seconds"},
      {{drift, "-i", in}, 2, "the module has no audio inputs to feed from"},
      {{chorus, "-i", Path("missing.wav")}, 3, "cannot read input '" + Path("missing.wav") + "'"},
      {{chorus, "-i", Path("text.wav")}, 3, "cannot read input '" + Path("text.wav") + "'"},
      {{chorus, "-i", Path("three.wav")}, 3, "has 3 channels; the module takes 1 or 2"},
      {{chorus, "-i", in, "--format", "8"}, 3, "unknown --format '8'"},
      {{chorus, "-i", in, "--plot", Path("no/such/dir/p.png")}, 3, "cannot write '" + Path("no/such/dir/p.png")},
      {{Path("missing.so"), "--seconds", "1"}, 4, "cannot load module library '" + Path("missing.so") + "'"},
      {{Path("foreign.so"), "--seconds", "1"}, 4, "it is a " + foreign_kind + " library, and this program loads " + host_kind + " libraries"},
      {{Path("module.dll"), "--seconds", "1"}, 4, "it is a 32-bit x86 PE library"},
      {{OX_NO_MODULE_LIBRARY, "--seconds", "1"}, 4, "exports neither 'main' nor 'getModuleProperties' and 'makeModule'"},
      {{OX_HALF_MODULE_LIBRARY, "--seconds", "1"}, 4, "has no export 'makeModule'"},
  };
  const std::set<std::string> inputs = Entries();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::vector<std::string> args = {"render"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"-o", Path("out.wav")});
    ToolRun run = Run(args);
    EXPECT_EQ(run.code, c.code) << run.err;
    EXPECT_EQ(run.err.rfind("oxhost: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Entries(), inputs) << "nothing written, nothing left behind";
  }
}

TEST_F(OxhostTest, FailedRenderLeavesAnExistingOutputAlone) {
  WriteAudio(Path("in.wav"), Signal(2, 44100, 500));
  WriteBytes(Path("out.wav"), {'k', 'e', 'e', 'p'});
  const std::set<std::string> before = Entries();
  struct Case {
    std::vector<std::string> extra;
    int code;
  };
  // One failure before anything is opened, one after the audio output was opened.
  const Case cases[] = {{{"--set", "Wet=x"}, 2}, {{"--csv", Path("missing/dir/trace.csv")}, 3}};
  for (const Case& c : cases) {
    std::vector<std::string> args = {"render", OX_CHORUS_LIBRARY, "-i", Path("in.wav"), "-o", Path("out.wav")};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    ToolRun run = Run(args);
    EXPECT_EQ(run.code, c.code) << run.err;
    EXPECT_EQ(ReadText(Path("out.wav")), "keep");
    EXPECT_EQ(Entries(), before);
  }
  ToolRun run = Run({"render", OX_CHORUS_LIBRARY, "-i", Path("in.wav"), "-o", Path("out.wav")});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(ReadAudio(Path("out.wav")).size(), 500u) << "a successful render replaces it";
}

}  // namespace
