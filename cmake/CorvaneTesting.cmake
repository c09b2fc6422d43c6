# corvane_add_test(<target> LABEL <area> SOURCES <files...> [LIBS <libs...>])
# Builds one GoogleTest executable and registers it with CTest: on Linux each
# test case on its own; on Windows (run under Wine, whose start-up costs about
# half a second a process) the whole executable as one entry.
#
# On Windows, test sources that need Linux itself are left out by name: list
# them, relative to tests/, in CORVANE_WINDOWS_SKIPPED_TESTS below.
enable_testing()

if(WIN32 AND CMAKE_CROSSCOMPILING)
  # GoogleTest from Debian's sources, built with the cross compiler.
  if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(lib gtest gtest_main gmock gmock_main)
      # Their own warnings are not ours to fix.
      set_target_properties(${lib} PROPERTIES COMPILE_OPTIONS "")
    endforeach()
  endif()
  # Tests run under Wine in a prefix of their own inside the build folder.
  find_program(CORVANE_WINE wine)
  if(CORVANE_WINE AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CORVANE_WINE})
  endif()
  set(CORVANE_WINE_ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wine;WINEDEBUG=-all")
else()
  include(GoogleTest)
  find_package(GTest REQUIRED)
endif()

# Test sources that cannot run on Windows (relative to tests/), and why.
set(CORVANE_WINDOWS_SKIPPED_TESTS
  # the .reg-file key's Linux file modes and errors, its POSIX save calls
  platform/AtomicFileTest.cpp
  platform/SettingsKeyTest.cpp
  platform/TextFileTest.cpp
  # the Linux path rules (Windows compares them with the shell's own)
  platform/PathsTest.cpp
  platform/ProfileSectionTest.cpp
  # crashes a child process in the middle of a save (fork)
  robustness/SettingsCrashTest.cpp
  # expect '/' in the folders and paths the program builds ('\' on Windows)
  files/DownloadListTest.cpp
  files/FileSelectionTest.cpp
  ui/ConfigurationTest.cpp
  # times USB full-speed pacing finer than Wine's timers keep
  sim/FaultTest.cpp
)

function(corvane_add_test target)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(WIN32)
    set(kept)
    foreach(source ${ARG_SOURCES})
      get_filename_component(full ${source} ABSOLUTE)
      file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR}/tests ${full})
      if(NOT relative IN_LIST CORVANE_WINDOWS_SKIPPED_TESTS)
        list(APPEND kept ${source})
      endif()
    endforeach()
    set(ARG_SOURCES ${kept})
    if(NOT ARG_SOURCES)
      return()  # nothing of it runs on Windows
    endif()
  endif()
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  if(WIN32)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 600
      ENVIRONMENT "${CORVANE_WINE_ENVIRONMENT}")
  else()
    gtest_discover_tests(${target}
      PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT})
  endif()
endfunction()
