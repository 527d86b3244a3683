// Reading the tool's command line.
#include "host/tool/command_line.h"

#include <gtest/gtest.h>

namespace {

using oxhost::Command;

TEST(CommandLineTest, ReadsARenderWithEveryOption) {
  Command command;
  std::string error;
  ASSERT_TRUE(oxhost::ParseCommandLine({"render", "lib.so", "-i", "in.wav", "--output=out.flac", "--set",
                                        "Wet=6", "--at", "1.5", "On|Off=OFF", "--set", "13=0.5", "--seconds",
                                        "2.5", "--rate", "48000", "--block=256", "--format", "24", "--plot",
                                        "p.png", "--csv", "c.csv"},
                                       command, error))
      << error;
  EXPECT_EQ(command.kind, Command::Kind::kRender);
  EXPECT_EQ(command.library, "lib.so");
  EXPECT_EQ(command.input, "in.wav");
  EXPECT_EQ(command.output, "out.flac");
  ASSERT_EQ(command.settings.size(), 2u);
  EXPECT_EQ(command.settings[0].pin, "Wet");
  EXPECT_EQ(command.settings[0].value, "6");
  EXPECT_EQ(command.settings[1].pin, "13");
  ASSERT_EQ(command.changes.size(), 1u);
  EXPECT_EQ(command.changes[0].seconds, 1.5);
  EXPECT_EQ(command.changes[0].setting.pin, "On|Off");
  EXPECT_EQ(command.changes[0].setting.value, "OFF");
  EXPECT_EQ(command.seconds, 2.5);
  EXPECT_EQ(command.rate, 48000);
  EXPECT_EQ(command.block, 256);
  EXPECT_EQ(command.format, "24");
  EXPECT_EQ(command.plot, "p.png");
  EXPECT_EQ(command.csv, "c.csv");
}

TEST(CommandLineTest, ReadsInfoGenerateAndHelp) {
  Command command;
  std::string error;
  ASSERT_TRUE(oxhost::ParseCommandLine({"info", "drift.so"}, command, error)) << error;
  EXPECT_EQ(command.kind, Command::Kind::kInfo);
  EXPECT_EQ(command.library, "drift.so");
  ASSERT_TRUE(oxhost::ParseCommandLine({"generate", "pluck-chord", "-o", "a.wav", "--seconds", "3"}, command, error));
  EXPECT_EQ(command.kind, Command::Kind::kGenerate);
  EXPECT_EQ(command.signal, "pluck-chord");
  EXPECT_EQ(command.seconds, 3.0);
  ASSERT_TRUE(oxhost::ParseCommandLine({"--help"}, command, error));
  EXPECT_EQ(command.kind, Command::Kind::kHelp);
}

TEST(CommandLineTest, RefusesWhatItCannotRead) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{}, "no command given"},
      {{"play", "x.so"}, "unknown command 'play'"},
      {{"info"}, "info needs exactly one module library"},
      {{"info", "a.so", "b.so"}, "info needs exactly one module library"},
      {{"info", "a.so", "--seconds", "1"}, "'info' takes no option '--seconds'"},
      {{"render", "a.so"}, "render needs an output file (-o FILE)"},
      {{"render", "a.so", "-o"}, "-o needs a value"},
      {{"render", "a.so", "-o", "x.wav", "--set", "Wet"}, "'Wet' is not PIN=VALUE"},
      {{"render", "a.so", "-o", "x.wav", "--set", "=3"}, "'=3' is not PIN=VALUE"},
      {{"render", "a.so", "-o", "x.wav", "--at", "1"}, "--at needs a value"},
      {{"render", "a.so", "-o", "x.wav", "--at", "-1", "Wet=1"}, "--at takes a time in seconds"},
      {{"render", "a.so", "-o", "x.wav", "--at", "soon", "Wet=1"}, "--at takes a time in seconds"},
      {{"render", "a.so", "-o", "x.wav", "--seconds", "0"}, "--seconds takes a positive number"},
      {{"render", "a.so", "-o", "x.wav", "--rate", "44100.5"}, "--rate takes a whole number of Hz"},
      {{"render", "a.so", "-o", "x.wav", "--rate", "0"}, "--rate takes a whole number of Hz"},
      {{"render", "a.so", "-o", "x.wav", "--block", "0"}, "--block takes a whole number from 1 to 65536"},
      {{"render", "a.so", "-o", "x.wav", "--loud"}, "unknown option '--loud'"},
      {{"generate", "pluck-chord", "-o", "x.wav", "--set", "A=1"}, "'generate' takes no option '--set'"},
  };
  for (const Case& c : cases) {
    Command command;
    std::string error;
    SCOPED_TRACE(c.message);
    EXPECT_FALSE(oxhost::ParseCommandLine(c.args, command, error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

}  // namespace
