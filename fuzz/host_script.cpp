#include "fuzz/host_script.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "fuzz/driven_instance.h"
#include "fuzz/sample_values.h"
#include "host/ox_interfaces.h"

namespace oxfuzz {

namespace {

constexpr int kMostSteps = 256;
constexpr int64_t kSampleBudget = 16384;  // per instance and script, keeps one run short
// A second open is rare in a host's life, and each one makes the chorus
// allocate and clear its delay lines again, which costs far more than
// anything else a step does; a few per script cover it.
constexpr int kMostOpensAgain = 2;

// Calls the modules make into the harness (EV_MODULE_CALL functions and the
// functions of EV_DEFERRED_CALL records), counted per instance.
int calls_into_harness = 0;
void OX_CDECL NoteModuleCall(void*) { ++calls_into_harness; }
void OX_CDECL NoteDeferredCall(intptr_t) { ++calls_into_harness; }

[[noreturn]] void Fail(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::fprintf(stderr, "host script check failed: ");
  std::vfprintf(stderr, format, arguments);
  std::fprintf(stderr, "\n");
  va_end(arguments);
  std::abort();
}

std::string Text(const char* text) { return text ? text : "(null)"; }

bool SameBits(const float* a, const float* b, int32_t count) {
  return std::memcmp(a, b, sizeof(float) * static_cast<std::size_t>(count)) == 0;
}

// The two instances, driven alike.
class InstancePair {
 public:
  InstancePair(std::unique_ptr<DrivenInstance> first, std::unique_ptr<DrivenInstance> second)
      : first_(std::move(first)), second_(std::move(second)) {}

  DrivenInstance& first() { return *first_; }
  int generation() const { return first_->generation(); }
  bool tainted = false;  // an input sample so far was not a tame number

  // Runs `call` on both instances, then compares what they told the host and
  // their outputs (inputs only change under the host's hand, so they are
  // compared once, by CompareAllBuffers, when the script ends).
  template <class Call>
  void Both(const char* what, Call call) {
    calls_into_harness = 0;
    auto answer_first = call(*first_);
    const int calls_first = calls_into_harness;
    calls_into_harness = 0;
    auto answer_second = call(*second_);
    if (calls_first != calls_into_harness) Fail("%s: the instances called the harness %d and %d times", what,
                                                calls_first, calls_into_harness);
    if (!(answer_first == answer_second)) Fail("%s: the instances answered differently", what);
    CompareReports(what);
    for (int32_t pin = 0; pin < first_->reported_pins(); ++pin) {
      if (IsOutput(*first_, pin)) CompareBuffers(what, pin);
    }
  }

  // Every buffer, inputs included: a module that wrote into an input would
  // show here.
  void CompareAllBuffers(const char* what) {
    for (int32_t pin = 0; pin < first_->reported_pins(); ++pin) CompareBuffers(what, pin);
  }

 private:
  void CompareReports(const char* what) {
    const oxhost::HostSide& a = first_->side();
    const oxhost::HostSide& b = second_->side();
    if (a.reported_status != b.reported_status || a.reported_clock != b.reported_clock ||
        a.process_changes != b.process_changes || a.sleep_requested != b.sleep_requested) {
      Fail("%s: the instances told the host different things", what);
    }
  }

  void CompareBuffers(const char* what, int32_t pin) {
    const float* ba = first_->Buffer(pin);
    const float* bb = second_->Buffer(pin);
    const int32_t count = first_->capacity();
    if (!SameBits(ba, bb, count)) Fail("%s: the buffers of pin %d differ", what, pin);
    if (tainted || !IsSampleOutput(*first_, pin)) return;
    for (int32_t i = 0; i < count; ++i) {
      if (!std::isfinite(ba[i])) Fail("%s: output pin %d element %d is %g from tame inputs", what, pin, i, ba[i]);
    }
  }

  static bool IsOutput(DrivenInstance& instance, int32_t pin) {
    const auto& pins = instance.described_pins();
    return static_cast<std::size_t>(pin) < pins.size() && pins[pin].direction == ox2::DR_OUT;
  }

  static bool IsSampleOutput(DrivenInstance& instance, int32_t pin) {
    return IsOutput(instance, pin) && instance.described_pins()[pin].datatype == ox2::DT_FSAMPLE;
  }

  std::unique_ptr<DrivenInstance> first_;
  std::unique_ptr<DrivenInstance> second_;
};

class HostScript {
 public:
  HostScript(const uint8_t* data, std::size_t size) : in_(data, size) {}

  void Play(const LibraryReplica& first, const LibraryReplica& second) {
    const int32_t capacity = Capacity();
    const int32_t reported = in_.ConsumeProbability<float>() < 0.9f ? -1 : in_.ConsumeIntegralInRange(0, 24);
    auto a = DrivenInstance::Create(first.library(), reported, capacity);
    auto b = DrivenInstance::Create(second.library(), reported, capacity);
    if (!a || !b) Fail("a replica created no instance");
    InstancePair pair(std::move(a), std::move(b));

    for (int queries = in_.ConsumeIntegralInRange(0, 2); queries > 0; --queries) Query(pair);
    const float rate = SampleRate();
    const int32_t declared = DeclaredBlockSize(capacity);
    pair.Both("set sample rate", [&](DrivenInstance& i) { return i.Dispatch(2, 0, 0, nullptr, rate); });
    pair.Both("set block size", [&](DrivenInstance& i) { return i.Dispatch(3, 0, declared, nullptr, 0.0f); });
    pair.Both("open", [](DrivenInstance& i) { i.Open(); return 0; });
    NewBlock(pair);
    StartingEvents(pair);

    for (int step = 0; step < kMostSteps && in_.remaining_bytes() > 0 && processed_ < kSampleBudget; ++step) {
      if (!Step(pair)) break;
    }
    pair.CompareAllBuffers("end of script");
  }

 private:
  int32_t Capacity() {
    static const int32_t kSizes[] = {1, 2, 3, 5, 16, 31, 32, 64, 127, 128, 256, 441, 512, 1000, 1024, 2048, 4096, 8192};
    if (in_.ConsumeBool()) return in_.PickValueInArray(kSizes);
    return in_.ConsumeIntegralInRange(1, 8192);
  }

  float SampleRate() {
    static const float kRates[] = {44100.0f, 48000.0f, 1.0f,  384000.0f, 768000.0f, 96000.0f, 22050.0f, 8000.0f,
                                   0.0f,     -44100.0f, -1.0f, 1e-3f,     std::numeric_limits<float>::quiet_NaN(),
                                   std::numeric_limits<float>::infinity()};
    if (in_.ConsumeBool()) return in_.PickValueInArray(kRates);
    return in_.ConsumeFloatingPointInRange(1.0f, 768000.0f);
  }

  int32_t DeclaredBlockSize(int32_t capacity) {
    if (in_.ConsumeProbability<float>() < 0.8f) return capacity;
    const int32_t kOdd[] = {0, -1, 1, capacity * 2, std::numeric_limits<int32_t>::max(),
                            std::numeric_limits<int32_t>::min()};
    return in_.ConsumeBool() ? in_.PickValueInArray(kOdd) : in_.ConsumeIntegral<int32_t>();
  }

  int32_t Status() {
    if (in_.ConsumeProbability<float>() < 0.9f) return in_.ConsumeIntegralInRange(0, 2);
    return in_.ConsumeIntegral<int32_t>();
  }

  int32_t PinValue() {
    switch (in_.ConsumeIntegralInRange(0, 3)) {
      case 0: return in_.ConsumeIntegralInRange(0, 1);
      case 1: return in_.ConsumeIntegralInRange(-2, 70);
      case 2: return in_.ConsumeIntegral<int16_t>();
      default: return in_.ConsumeIntegral<int32_t>();
    }
  }

  // When an event falls due: generation 2 now, with the current sample
  // inside the buffers (a new block when the last one is used up);
  // generation 1 now or up to three blocks ahead.
  uint32_t EventClock(InstancePair& pair) {
    if (pair.generation() == 2) {
      if (pair.first().position() >= pair.first().capacity()) NewBlock(pair);
      return pair.first().clock();
    }
    return pair.first().clock() + in_.ConsumeIntegralInRange<uint32_t>(0, 3u * pair.first().capacity());
  }

  bool IsSampleInput(InstancePair& pair, int32_t pin) {
    const auto& pins = pair.first().described_pins();
    return pin < pair.first().reported_pins() && static_cast<std::size_t>(pin) < pins.size() &&
           pins[pin].direction != ox2::DR_OUT && pins[pin].datatype == ox2::DT_FSAMPLE;
  }

  // Writes new samples into an input buffer from the current position on.
  void Fill(InstancePair& pair, int32_t pin) {
    const int32_t from = pair.first().position();
    const int32_t count = pair.first().capacity() - from;
    if (count <= 0) return;
    std::vector<float> samples(static_cast<std::size_t>(count));
    if (!FillSamples(in_, samples.data(), count)) pair.tainted = true;
    pair.Both("fill an input", [&](DrivenInstance& i) {
      std::memcpy(i.Buffer(pin) + from, samples.data(), samples.size() * sizeof(float));
      return 0;
    });
  }

  void NewBlock(InstancePair& pair) {
    const int32_t capacity = pair.first().capacity();
    const int32_t first = in_.ConsumeProbability<float>() < 0.7f ? 0 : in_.ConsumeIntegralInRange(0, capacity - 1);
    pair.Both("start a block", [&](DrivenInstance& i) { i.StartBlock(first); return 0; });
    for (int32_t pin = 0; pin < pair.first().reported_pins(); ++pin) {
      if (IsSampleInput(pair, pin) && in_.ConsumeBool()) Fill(pair, pin);
    }
  }

  // Most hosts announce every input at the start; the script decides which.
  void StartingEvents(InstancePair& pair) {
    for (int32_t pin = 0; pin < pair.first().reported_pins(); ++pin) {
      if (pair.first().described_pins().size() <= static_cast<std::size_t>(pin)) break;
      if (pair.first().described_pins()[pin].direction == ox2::DR_OUT || !in_.ConsumeBool()) continue;
      PinEventAt(pair, pin, pair.first().clock());
    }
  }

  void PinEventAt(InstancePair& pair, int32_t pin, uint32_t clock) {
    const int32_t status = Status();
    const int32_t value = PinValue();
    pair.Both("pin event", [&](DrivenInstance& i) { i.PinEvent(clock, pin, status, value); return 0; });
  }

  void PinEvent(InstancePair& pair) {
    const int32_t reported = pair.first().reported_pins();
    if (reported == 0) return;  // no pin to address
    const int32_t pin = in_.ConsumeIntegralInRange(0, reported - 1);
    const uint32_t clock = EventClock(pair);
    if (IsSampleInput(pair, pin) && in_.ConsumeBool()) Fill(pair, pin);
    PinEventAt(pair, pin, clock);
  }

  void OtherEvent(InstancePair& pair) {
    const uint32_t clock = EventClock(pair);
    const int32_t value1 = in_.ConsumeIntegral<int32_t>();
    const int32_t value2 = in_.ConsumeIntegral<int32_t>();
    int32_t type = in_.ConsumeIntegralInRange(0, 3);
    if (pair.generation() == 2) {
      const int32_t kTypes[] = {ox2::EV_DATA, 6, ox2::EV_MODULE_CALL, 1};
      type = kTypes[type];
      const intptr_t target = type == ox2::EV_MODULE_CALL && in_.ConsumeBool() ? 0 : reinterpret_cast<intptr_t>(&NoteModuleCall);
      pair.Both("event", [&](DrivenInstance& i) { i.OtherEvent(clock, type, value1, value2, target); return 0; });
      return;
    }
    const int32_t kTypes[] = {ox1::EV_DATA, ox1::EV_DEFERRED_CALL, 21, 7};
    type = kTypes[type];
    const bool with_function = in_.ConsumeBool();
    pair.Both("event", [&](DrivenInstance& i) {
      intptr_t target = 0;
      if (type == ox1::EV_DEFERRED_CALL) {
        auto* call = static_cast<ox1::OXDeferredCall*>(std::malloc(sizeof(ox1::OXDeferredCall)));
        if (!call) Fail("no memory for a call record");
        call->argument = value1;
        call->function = with_function ? &NoteDeferredCall : nullptr;
        target = reinterpret_cast<intptr_t>(call);
      }
      i.OtherEvent(clock, type, value1, value2, target);
      return 0;
    });
  }

  void Process(InstancePair& pair) {
    if (pair.first().position() >= pair.first().capacity()) NewBlock(pair);
    const int32_t count = in_.ConsumeIntegralInRange(1, pair.first().capacity() - pair.first().position());
    processed_ += count;
    pair.Both("process", [&](DrivenInstance& i) { i.Process(count); return 0; });
  }

  // Harmless dispatcher opcodes with their answers compared; texts by content.
  void Query(InstancePair& pair) {
    const int32_t index = in_.ConsumeIntegralInRange(-2, 30);
    const int32_t value = in_.ConsumeIntegral<int32_t>();
    if (pair.generation() == 2) {
      const int32_t kOpcodes[] = {4, 5, 6, 8, 9, 11, 12, 13, 14, 100, -1};
      const int32_t opcode = in_.PickValueInArray(kOpcodes);
      pair.Both("query", [&](DrivenInstance& i) { return Describe(i, opcode, index, value); });
    } else {
      const int32_t kOpcodes[] = {4, 5, 6, 9, 10, 11, 12, 100, -1};
      const int32_t opcode = in_.PickValueInArray(kOpcodes);
      pair.Both("query", [&](DrivenInstance& i) { return Describe(i, opcode, index, value); });
    }
  }

  // What a query answered, in terms that do not depend on where the replica
  // was loaded.
  static std::string Describe(DrivenInstance& instance, int32_t opcode, int32_t index, int32_t value) {
    alignas(16) unsigned char scratch[256] = {};
    const intptr_t answer = instance.Dispatch(opcode, index, value, scratch, 0.0f);
    std::string what = std::to_string(opcode == 13 ? answer != 0 : answer);
    if (opcode == 6) {
      ox2::OXPinProperties pin;  // same layout in both generations
      std::memcpy(&pin, scratch, sizeof pin);
      what += " " + std::to_string(pin.direction) + " " + std::to_string(pin.datatype) + " " +
              std::to_string(pin.flags) + " " + Text(pin.name) + "|" + Text(pin.default_value) + "|" +
              Text(pin.value_list) + (pin.variable_address ? " bound" : " unbound");
    } else if (opcode == 9 && instance.generation() == 1) {
      ox1::OXModuleProperties module;
      std::memcpy(&module, scratch, sizeof module);
      what += " " + Text(module.name) + "|" + Text(module.id) + "|" + Text(module.about);
    }
    return what;
  }

  // A host that skipped samples: generation 1 is told through a re-sync.
  void Skip(InstancePair& pair) {
    const uint32_t clock = pair.first().clock() + in_.ConsumeIntegralInRange<uint32_t>(1, 1u << 20);
    pair.Both("skip", [&](DrivenInstance& i) {
      i.SkipTo(clock);
      if (i.generation() == 1) i.Dispatch(ox1::MOD_RESYNC_CLOCK, 0, 0, nullptr, 0.0f);
      return 0;
    });
    NewBlock(pair);
  }

  bool Step(InstancePair& pair) {
    switch (in_.ConsumeIntegralInRange(0, 15)) {
      case 0: case 1: case 2: case 3: case 4:
        Process(pair);
        return true;
      case 5: case 6: case 7:
        PinEvent(pair);
        return true;
      case 8: {
        const int32_t pin = in_.ConsumeIntegralInRange(0, 24);
        if (IsSampleInput(pair, pin)) Fill(pair, pin);
        return true;
      }
      case 9:
        OtherEvent(pair);
        return true;
      case 10:
        NewBlock(pair);
        return true;
      case 11:
        Query(pair);
        return true;
      case 12: {
        const float rate = SampleRate();
        pair.Both("set sample rate", [&](DrivenInstance& i) { return i.Dispatch(2, 0, 0, nullptr, rate); });
        const int32_t declared = DeclaredBlockSize(pair.first().capacity());
        pair.Both("set block size", [&](DrivenInstance& i) { return i.Dispatch(3, 0, declared, nullptr, 0.0f); });
        return true;
      }
      case 13:
        if (opens_again_ == kMostOpensAgain) return true;
        ++opens_again_;
        pair.Both("open again", [](DrivenInstance& i) { i.Open(); return 0; });
        return true;
      case 14:
        Skip(pair);
        return true;
      default:
        // Close now, whatever is still queued.
        pair.Both("close", [](DrivenInstance& i) { i.Close(); return 0; });
        return false;
    }
  }

  FuzzedDataProvider in_;
  int64_t processed_ = 0;
  int opens_again_ = 0;
};

}  // namespace

void PlayHostScript(const uint8_t* data, std::size_t size, const LibraryReplica& first,
                    const LibraryReplica& second) {
  HostScript(data, size).Play(first, second);
}

}  // namespace oxfuzz
