# AddressSanitizer + UndefinedBehaviorSanitizer for the whole build (tests run under it), the
# ThreadSanitizer build for the tests that run the engines' threads together, and the libFuzzer
# instrumentation used by the targets in fuzz/. The sanitizer builds also check that calls meant
# for the dispatcher's thread come from it.
if(TONWERK_SANITIZE AND TONWERK_TSAN)
  message(FATAL_ERROR "TONWERK_SANITIZE and TONWERK_TSAN cannot be combined: configure two builds")
endif()

if(TONWERK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  add_compile_definitions(TONWERK_THREAD_CHECKS)
endif()

if(TONWERK_TSAN)
  # The ring buffers publish with fences, which the sanitizer cannot follow: the audio callback is not
  # part of these tests, so the warning about them is off.
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -Wno-tsan)
  add_link_options(-fsanitize=thread)
  add_compile_definitions(TONWERK_THREAD_CHECKS)
endif()

if(TONWERK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TONWERK_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
