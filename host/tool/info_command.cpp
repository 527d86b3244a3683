#include "host/tool/info_command.h"

#include <cstdio>

#include "host/module_host.h"
#include "host/module_library.h"
#include "host/ox_interfaces.h"
#include "host/tool/pin_roles.h"

namespace oxhost {

namespace {

std::string Padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string Hex(int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
  return text;
}

// The default as the user would write it: a choice pin's label.
std::string DefaultText(const PinDescription& pin) {
  if (!pin.has_default) return "-";
  PinValue value;
  std::string error;
  if (pin.datatype == ox2::DT_ENUM && !pin.choices.empty() && ParseDefaultValue(pin, value, error)) {
    return PinValueText(pin, value);
  }
  return pin.default_text;
}

std::string Role(const PinDescription& pin) {
  if (IsAudioInput(pin)) return "file in";
  if (IsFileOutput(pin)) return "file out";
  return "";
}

void PrintAbout(const std::string& about, std::ostream& out) {
  std::string::size_type start = 0;
  bool first = true;
  while (start <= about.size()) {
    auto end = about.find('\n', start);
    std::string line = about.substr(start, end == std::string::npos ? std::string::npos : end - start);
    out << (first ? "about       " : "            ") << line << "\n";
    first = false;
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

}  // namespace

bool RunInfo(const Command& command, std::ostream& out, Failure& failure) {
  std::string error;
  auto library = ModuleLibrary::Load(command.library, error);
  if (!library) return failure.Set(kExitModule, error);
  auto host = ModuleHost::Load(*library, error);
  if (!host) return failure.Set(kExitModule, error);
  // Opened and closed once, as a host does, so that the instance ends normally.
  if (!host->Open(44100.0f, 1024, error)) return failure.Set(kExitModule, error);
  host->Close();

  const ModuleDescription& description = host->description();
  out << "module      " << description.name << "\n";
  out << "id          " << description.id << "\n";
  out << "generation  " << description.generation
      << (description.generation == 1 ? " (export main)" : " (exports getModuleProperties, makeModule)") << "\n";
  out << "flags       " << Hex(description.flags) << "\n";
  PrintAbout(description.about, out);
  out << "pins        " << description.pins.size() << "\n";
  out << "  " << Padded("#", 4) << Padded("dir", 7) << Padded("type", 9) << Padded("name", 24)
      << Padded("default", 10) << Padded("role", 10) << "choices or range\n";
  for (const PinDescription& pin : description.pins) {
    std::string row = "  " + Padded(std::to_string(pin.number), 4) + Padded(DirectionName(pin.direction), 7) +
                      Padded(DataTypeName(pin.datatype), 9) + Padded(pin.name, 24) +
                      Padded(DefaultText(pin), 10) + Padded(Role(pin), 10) + pin.value_list;
    out << row.substr(0, row.find_last_not_of(' ') + 1) << "\n";
  }
  out << "Values are written in each pin's own units, as its default: a sample pin's\n"
         "module value is a tenth of the number given (Wet=6 is 0.6); a choice pin\n"
         "takes a label or the number of one of its choices.\n";
  return true;
}

}  // namespace oxhost
