// A host that keeps the host–module contract but otherwise does whatever the
// fuzzer's bytes say: sample rates from 1 Hz to 768 kHz (and zero, negative
// and non-numbers), blocks of 1 to 8192 samples starting at any element, pin
// events at any time with any status and value, any sample values in every
// input buffer, a second open, queries, clock jumps, closing with events
// still queued. It plays the same script on one instance of each of two
// replicas of a library, side by side, and after every call checks:
//  - the two instances wrote the same output samples, bit for bit, and told
//    the host the same things (determinism; each replica has its own copy
//    of the library-wide state, and both copies have seen the same calls);
//  - every output sample is finite while every input sample so far was a
//    tame number (finite, magnitude at most 1e6: beyond that a product of
//    controls may overflow the float range, which is arithmetic, not a
//    fault).
// A failed check prints what differed and aborts, which libFuzzer reports as
// a crash; the sanitizers report the rest.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fuzz/library_replica.h"

namespace oxfuzz {

void PlayHostScript(const uint8_t* data, std::size_t size, const LibraryReplica& first,
                    const LibraryReplica& second);

}  // namespace oxfuzz
