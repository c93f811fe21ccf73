# GoogleTest: the system's prebuilt library for native builds; for Windows builds the
# Debian source tree compiled with the cross compiler.
if(CMAKE_CROSSCOMPILING)
  set(KX_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory("${KX_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/_googletest" EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# kx_add_test(NAME name LABEL subsystem SOURCES ... LIBS ... [SHARED_SYSTEM])
# One test program per subsystem; its cases are discovered when CTest runs, so a
# Windows build needs no Wine while it builds. SHARED_SYSTEM marks cases that change the
# machine-wide registry: on Windows (Wine) they run one at a time, while on Linux each case
# gets an emulated system of its own.
function(kx_add_test)
  cmake_parse_arguments(T "SHARED_SYSTEM" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main kx_warnings)
  # A hung case fails in minutes instead of holding the whole run for CTest's default.
  set(properties LABELS "${T_LABEL}" TIMEOUT 180)
  if(T_SHARED_SYSTEM AND WIN32)
    list(APPEND properties RESOURCE_LOCK windows_registry)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ${properties})
endfunction()
