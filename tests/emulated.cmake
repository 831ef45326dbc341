# A Unix build for another CPU (arm64: cmake/aarch64-linux-gnu.cmake), whose
# programs run here through CMAKE_CROSSCOMPILING_EMULATOR (qemu). The unit
# tests run in it; the end-to-end tests stay a program of this machine, the
# test preset's katsort_e2e, which drives the cross-built katsort through the
# emulator in its pseudo-terminal. libvterm is needed only there, so the
# renderer's tests (which read the screen through it) are left to the native
# builds.
add_executable(katsort_tests ${portable_tests} ${unix_tests})
target_include_directories(katsort_tests PRIVATE ${test_helper_folders})
target_link_libraries(katsort_tests PRIVATE katsort_test_support
  katsort_brugergraense katsort_console_internal katsort_scripted_console katsort_orakel GTest::gtest_main)
katsort_advarsler(katsort_tests)

# Loads, reverses and saves: the save that a test kills at random moments.
# The test starts it itself, and this machine runs it only through the
# emulator: so through a script that execs the emulator (the pid stays).
add_executable(gem_hjaelper catalogue/gem_hjaelper.cpp)
target_link_libraries(gem_hjaelper PRIVATE katsort_katalog)
katsort_advarsler(gem_hjaelper)
list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
set(gem_hjaelper_script ${CMAKE_CURRENT_BINARY_DIR}/gem_hjaelper.sh)
file(GENERATE OUTPUT ${gem_hjaelper_script}
  CONTENT "#!/bin/sh\nexec ${emulator} $<TARGET_FILE:gem_hjaelper> \"$@\"\n"
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
target_compile_definitions(katsort_tests PRIVATE KATSORT_GEM_HJAELPER="${gem_hjaelper_script}")
add_dependencies(katsort_tests gem_hjaelper)

# A death test forks: the emulated program cannot exec itself.
target_compile_definitions(katsort_tests PRIVATE KATSORT_DEATH_TEST_STYLE="fast")
# Each test in a process of its own, as in the native builds: the emulator
# starts in a twentieth of a second.
include(GoogleTest)
gtest_discover_tests(katsort_tests DISCOVERY_TIMEOUT 60)

# The native build that the end-to-end tests and the keys are held against
# (by default the test preset's, which must be built first).
set(KATSORT_TESTS_LINUX ${PROJECT_SOURCE_DIR}/build/test/tests CACHE PATH
  "The tests folder of a native Linux build: its end-to-end tests and its sort keys")
set(e2e ${KATSORT_TESTS_LINUX}/katsort_e2e)
set(hovedtests E2e.LoadingScreenThenTheMainScreenInItsColours E2e.NavigationAcrossPages
  E2e.NoLotsShowOneOfZeroAndBlankRows E2e.F1DialogSortsRenumbersAndEscSavesByteForByte)
list(JOIN hovedtests ":" hovedtests)
add_test(NAME katsort_e2e COMMAND ${e2e} --gtest_filter=${hovedtests} --gtest_brief=1)
set_tests_properties(katsort_e2e PROPERTIES REQUIRED_FILES ${e2e} ENVIRONMENT
  "KATSORT_E2E_BINARY=$<TARGET_FILE:katsort>;KATSORT_E2E_FORAN=${emulator}")

# The alphabetic key takes another path on x86-64 than elsewhere: the keys
# of the key and sort tests' texts, from the native build and from this one.
set(noegler ${KATSORT_TESTS_LINUX}/noegle_udskrift)
add_test(NAME sort_keys_as_native COMMAND ${CMAKE_COMMAND} -DFOERSTE=${noegler}
  "-DANDEN=${emulator} $<TARGET_FILE:noegle_udskrift>"
  -P ${CMAKE_CURRENT_SOURCE_DIR}/sorting/sammenlign_noegler.cmake)
set_tests_properties(sort_keys_as_native PROPERTIES REQUIRED_FILES ${noegler})
