#pragma once

// The entry points of a fuzz target. Each target source defines
// LLVMFuzzerTestOneInput; LLVMFuzzerInitialize is optional. Built with
// PQ_FUZZ=ON they link with libFuzzer; otherwise with replay_main.cpp,
// which runs the target over the files it is given (the CTest way).

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
