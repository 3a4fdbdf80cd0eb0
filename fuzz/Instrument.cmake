# The fuzz build instruments every library the fuzz targets link: coverage for libFuzzer, and the
# address and undefined-behaviour sanitizers, each finding ending the run. Qt and SQLite come from the
# system and are not instrumented.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "KOVREL_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
endif()
# Calls through Qt's type-erased function pointers are not faults; the other checks of the group stay.
set(KOVREL_SANITIZERS -fsanitize=address,undefined -fno-sanitize=function -fno-sanitize-recover=all)
add_compile_options(-fsanitize=fuzzer-no-link ${KOVREL_SANITIZERS} -fno-omit-frame-pointer)
add_link_options(${KOVREL_SANITIZERS})
