#include "host/library_architecture.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace oxhost {

namespace {

constexpr uint16_t kElfMachineX86 = 3;
constexpr uint16_t kElfMachineX86_64 = 62;
constexpr uint16_t kPeMachineX86 = 0x14C;
constexpr uint16_t kPeMachineX86_64 = 0x8664;

uint16_t Read16(const std::vector<unsigned char>& bytes, std::size_t at) {
  return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

uint32_t Read32(const std::vector<unsigned char>& bytes, std::size_t at) {
  return static_cast<uint32_t>(Read16(bytes, at)) | (static_cast<uint32_t>(Read16(bytes, at + 2)) << 16);
}

std::string MachineName(uint16_t machine, bool elf) {
  if (machine == (elf ? kElfMachineX86 : kPeMachineX86)) return "32-bit x86";
  if (machine == (elf ? kElfMachineX86_64 : kPeMachineX86_64)) return "64-bit x86-64";
  return "machine " + std::to_string(machine);
}

std::string ElfArchitecture(const std::vector<unsigned char>& bytes) {
  if (bytes.size() < 20) return "";
  return MachineName(Read16(bytes, 18), true) + " ELF";
}

std::string PeArchitecture(const std::vector<unsigned char>& bytes) {
  if (bytes.size() < 0x40) return "";
  uint32_t header = Read32(bytes, 0x3C);
  if (header > bytes.size() - 6 || bytes[header] != 'P' || bytes[header + 1] != 'E' || bytes[header + 2] != 0 ||
      bytes[header + 3] != 0) {
    return "";
  }
  return MachineName(Read16(bytes, header + 4), false) + " PE";
}

}  // namespace

std::string LibraryFileArchitecture(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "";
  std::vector<unsigned char> bytes(4096);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  if (bytes.size() >= 4 && bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' && bytes[3] == 'F') {
    return ElfArchitecture(bytes);
  }
  if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') return PeArchitecture(bytes);
  return "";
}

std::string HostLibraryArchitecture() {
  std::string bits = sizeof(void*) == 4 ? "32-bit x86" : "64-bit x86-64";
#if defined(_WIN32)
  return bits + " PE";
#else
  return bits + " ELF";
#endif
}

}  // namespace oxhost
