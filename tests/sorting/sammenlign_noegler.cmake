# Runs two builds of noegle_udskrift, for two CPUs, and fails unless they
# print the same keys; says how many texts were compared.
# Usage: cmake "-DFOERSTE=<command>" "-DANDEN=<command>" -P sammenlign_noegler.cmake
# (a command is words split at spaces: an emulator and its options, then the program).
foreach(build FOERSTE ANDEN)
  separate_arguments(kommando UNIX_COMMAND "${${build}}")
  execute_process(COMMAND ${kommando} OUTPUT_VARIABLE noegler_${build} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${${build}} ended with ${status}")
  endif()
endforeach()
string(REGEX MATCHALL "\n" linjer "${noegler_FOERSTE}")
list(LENGTH linjer antal)
if(antal EQUAL 0 OR NOT noegler_FOERSTE STREQUAL noegler_ANDEN)
  file(WRITE noegler_foerste.txt "${noegler_FOERSTE}")
  file(WRITE noegler_anden.txt "${noegler_ANDEN}")
  message(FATAL_ERROR "the keys differ: compare noegler_foerste.txt and noegler_anden.txt")
endif()
message("the same keys of ${antal} texts from both builds")
