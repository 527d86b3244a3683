#include "chorus/chorus_pins.h"

#include "ox_sdk/OXInterface.h"

namespace chorus {

namespace {

// Passed to the host as they stand; the module reads neither.
constexpr int32_t kAudioInputFlags = 0x200;
constexpr int32_t kModeDirection = 3;

// Delay pins span 0 to 100 (0 to 1000 ms), Dry 0 to 10, Rates 0.1 to 5.
constexpr char kDelayRange[] = "100,0,100,0";
constexpr char kDryRange[] = "10,0,10,0";
constexpr char kRateRange[] = "5,0.1,5,0.1";
constexpr char kWaves[] = "Sine,Triangle";

}  // namespace

const PinDescription kPinDescriptions[kPinCount] = {
    {"In L", DR_IN, DT_FSAMPLE, "0", nullptr, kAudioInputFlags},
    {"In R", DR_IN, DT_FSAMPLE, "0", nullptr, kAudioInputFlags},
    {"Out L", DR_OUT, DT_FSAMPLE, nullptr, nullptr, 0},
    {"Out R", DR_OUT, DT_FSAMPLE, nullptr, nullptr, 0},
    {"PreDly1(ms)", DR_IN, DT_FSAMPLE, "10", kDelayRange, 0},
    {"PreDly2(ms)", DR_IN, DT_FSAMPLE, "5", kDelayRange, 0},
    {"MaxDelay1(ms)", DR_IN, DT_FSAMPLE, "4", kDelayRange, 0},
    {"MaxDelay2(ms)", DR_IN, DT_FSAMPLE, "9", kDelayRange, 0},
    {"VoiceMix", DR_IN, DT_FSAMPLE, "5", nullptr, 0},
    {"Wet", DR_IN, DT_FSAMPLE, "6", nullptr, 0},
    {"Dry", DR_IN, DT_FSAMPLE, "8", kDryRange, 0},
    {"Spread", DR_IN, DT_FSAMPLE, "10", nullptr, 0},
    {"Rate1(Hz)", DR_IN, DT_FSAMPLE, "0.68", kRateRange, 0},
    {"Rate2(Hz)", DR_IN, DT_FSAMPLE, "0.33", kRateRange, 0},
    {"Rate2(Hz)", DR_IN, DT_FSAMPLE, "0.34", kRateRange, 0},  // the rate of LFO 3
    {"Mod1Wave", DR_IN, DT_ENUM, "0", kWaves, 0},
    {"Mod2Wave", DR_IN, DT_ENUM, "0", kWaves, 0},
    {"Mod3Wave", DR_IN, DT_ENUM, "0", kWaves, 0},
    {"On|Off", DR_IN, DT_ENUM, "0", "ON,OFF", 0},
    {"Modulation Mode", kModeDirection, DT_ENUM, "0", "Internal LFO,External Source", 0},
};

const char kModuleName[] = "Zarn_Chorus 1.3";

const char kModuleAbout[] =
    "Zarn_Chorus 1.3\n"
    "Copyright (c) Zarn Audio. All rights reserved.\n"
    "Contact: zarn-audio@example.org, https://example.org/zarn\n"
    "Free to use in any patch, commercial or not; redistribution of the module\n"
    "itself only unchanged and with this notice. Provided as is, without warranty.";

}  // namespace chorus
