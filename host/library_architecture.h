#pragma once

#include <string>

namespace oxhost {

// What kind of library a file is, read from its header: "32-bit x86 ELF",
// "64-bit x86-64 PE" and the like; empty when the file is no ELF or PE file
// or cannot be read.
std::string LibraryFileArchitecture(const std::string& path);

// The same description for the libraries this program can load.
std::string HostLibraryArchitecture();

}  // namespace oxhost
