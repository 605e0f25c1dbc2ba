# Fuzz targets, one per reader of outside files. By default each links a
# replay driver and CTest runs it over the seed corpus (seconds); with
# PQ_FUZZ=ON (clang) they link libFuzzer for real fuzzing:
#   cmake -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DPQ_FUZZ=ON -DPQ_SANITIZE=ON
#   build-fuzz/bin/pq-fuzz-image -rss_limit_mb=4096 -timeout=60 -max_total_time=600 NEW_CORPUS build-fuzz/fuzz-corpus/image
# (a header may claim 15000x15000: the refused picture's allocation costs seconds
# under AddressSanitizer, milliseconds without)
add_library(pq_fuzz_support STATIC tools/fuzz/fuzz_support.cpp tools/fuzz/fuzz_support.h tools/fuzz/fuzz_target.h)
target_link_libraries(pq_fuzz_support PUBLIC pq_gfx)
pq_target_flags(pq_fuzz_support)

set(PQ_FUZZ_CORPUS ${CMAKE_BINARY_DIR}/fuzz-corpus)
add_executable(pq-fuzz-seeds tools/fuzz/fuzz_seeds.cpp)
target_link_libraries(pq-fuzz-seeds PRIVATE pq_workspace pq_scripting PkgConfig::LIBZIP)
target_include_directories(pq-fuzz-seeds PRIVATE ${CMAKE_SOURCE_DIR}/tests)
pq_target_flags(pq-fuzz-seeds)
add_test(NAME FuzzSeeds COMMAND pq-fuzz-seeds ${PQ_FUZZ_CORPUS})
set_tests_properties(FuzzSeeds PROPERTIES FIXTURES_SETUP FuzzCorpus ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

# name and the layer its reader lives in
foreach(pair IN ITEMS image:pq_gfx cube:pq_engine zip:pq_platform parameters:pq_workspace settings:pq_ui script:pq_scripting)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 name)
  list(GET pair 1 library)
  set(sources tools/fuzz/fuzz_${name}.cpp)
  if(NOT PQ_FUZZ)
    list(APPEND sources tools/fuzz/replay_main.cpp)
  endif()
  add_executable(pq-fuzz-${name} ${sources})
  target_link_libraries(pq-fuzz-${name} PRIVATE pq_fuzz_support ${library})
  pq_target_flags(pq-fuzz-${name})
  if(PQ_FUZZ)
    target_link_options(pq-fuzz-${name} PRIVATE -fsanitize=fuzzer)
  endif()
  add_test(NAME Fuzz.${name} COMMAND pq-fuzz-${name} -runs=0 ${PQ_FUZZ_CORPUS}/${name})
  set_tests_properties(Fuzz.${name} PROPERTIES FIXTURES_REQUIRED FuzzCorpus ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endforeach()
