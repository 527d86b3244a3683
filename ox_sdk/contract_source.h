// The source name under which the base reports breaches of the host-module
// contract.
#pragma once

inline constexpr char kModuleBaseSource[] = "ox_sdk/OXModule_base";
