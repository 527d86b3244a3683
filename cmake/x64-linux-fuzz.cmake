# Native 64-bit Linux with clang, for the fuzz harnesses: every library and
# program carries AddressSanitizer, UndefinedBehaviorSanitizer (halting on the
# first report) and the coverage instrumentation libFuzzer steers by; the
# harnesses add the fuzzer's own entry point (-fsanitize=fuzzer).
set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
# The host declares the boundary records in a namespace of its own, so clang's
# check of C++ function types at indirect calls (-fsanitize=function) would see
# every call across the C boundary as a mismatch; the layouts are what count
# there, and the records' static_asserts hold them.
set(OX_FUZZ_FLAGS "-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize=function -fno-sanitize-recover=all -fno-omit-frame-pointer")
set(CMAKE_C_FLAGS_INIT "${OX_FUZZ_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${OX_FUZZ_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fsanitize=address,undefined -fno-sanitize=function")
# clang links the sanitizer runtimes into programs only, so a module library
# leaves their entry points to the program that loads it.
set(OX_MODULES_RESOLVE_AGAINST_HOST ON)
set(OX_BUILD_FUZZERS ON)
