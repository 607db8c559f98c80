# Starts our programs in a working directory that holds a library planted under
# the names of one every C++ program needs (libgcc_s.so.1) and of the engine
# (libdbfengine.so); loaded, it leaves a marker file "<name>.loaded" there.
# - The dynamic loader traces every program in LIST_OF_BINARIES (LD_TRACE_LOADED_OBJECTS
#   loads a program's libraries but runs none of their code): none may resolve
#   to a file in the working directory.
# - PROGRAM runs for real (with --version): it must succeed and leave no marker.
#   cmake -DLIST_OF_BINARIES=<file, one binary a line> -DPLANTED=<library> -DPROGRAM=<program>
#         -P check_planted_libraries.cmake
cmake_minimum_required(VERSION 3.25)

# What the environment asks for is the user's choice, not the programs'.
unset(ENV{LD_LIBRARY_PATH})

string(RANDOM LENGTH 12 suffix)
set(work "${CMAKE_CURRENT_BINARY_DIR}/planted-${suffix}")
file(MAKE_DIRECTORY ${work})
foreach(name libgcc_s.so.1 libdbfengine.so)
  file(COPY_FILE ${PLANTED} ${work}/${name})
endforeach()

file(STRINGS ${LIST_OF_BINARIES} binaries)
set(programs 0)
foreach(binary IN LISTS binaries)
  if(binary MATCHES "\\.so(\\.|$)")
    continue()
  endif()
  set(ENV{LD_TRACE_LOADED_OBJECTS} 1)
  execute_process(COMMAND ${binary} WORKING_DIRECTORY ${work}
                  RESULT_VARIABLE result OUTPUT_VARIABLE trace ERROR_VARIABLE trace)
  unset(ENV{LD_TRACE_LOADED_OBJECTS})
  if(NOT result EQUAL 0)
    message(SEND_ERROR "${binary}: the dynamic loader could not trace it (${result}): ${trace}")
  endif()
  # Lines "<name> => <file> (address)", or "<file> (address)" where the two are one.
  string(REPLACE "\n" ";" lines "${trace}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^\t[^ ]+ => ([^ ]+)")
      set(file "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^\t([^ ]+) \\(0x")
      set(file "${CMAKE_MATCH_1}")
    else()
      continue()
    endif()
    if(NOT IS_ABSOLUTE "${file}" AND EXISTS "${work}/${file}")
      message(SEND_ERROR "${binary} started in ${work} loads its ${file}:\n${trace}")
    endif()
  endforeach()
  math(EXPR programs "${programs} + 1")
endforeach()
if(programs EQUAL 0)
  message(SEND_ERROR "${LIST_OF_BINARIES} names no program")
endif()

execute_process(COMMAND ${PROGRAM} --version WORKING_DIRECTORY ${work}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(SEND_ERROR "${PROGRAM} --version started in ${work} failed (${result}): ${output}")
endif()
file(GLOB markers ${work}/*.loaded)
if(markers)
  message(SEND_ERROR "${PROGRAM} --version started in ${work} loaded the planted library: ${markers}\n${output}")
endif()
message(STATUS "traced ${programs} programs; ${PROGRAM} --version: ${output}")
file(REMOVE_RECURSE ${work})
