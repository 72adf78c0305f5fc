# A subsystem is every .cpp in its folder (os/ included for the platform). The program's top,
# shell/main/, is a library of its own (rl_shell_main) above every other, main.cpp excepted.
function(rl_subsystem name)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${name}/*.cpp)
  list(FILTER srcs EXCLUDE REGEX "/shell/main/")
  if(NOT srcs)
    set(srcs ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(rl_${name} STATIC ${srcs})
  target_include_directories(rl_${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_definitions(rl_${name} PUBLIC RL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endfunction()

# Tests of one subsystem: tests/<name>/*.cpp make test_<name>; files ending in _gl.cpp need a
# display and go into test_<name>_gl, labelled "gl" (run under Xvfb, leak checks off: Mesa leaks).
# The discovered tests take one value per property (a list would be split into property names),
# so SDL_AUDIODRIVER=dummy comes from the test script's environment.
function(rl_tests name)
  file(GLOB plain CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  file(GLOB gl CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*_gl.cpp)
  if(gl)
    list(REMOVE_ITEM plain ${gl})
  endif()
  if(plain)
    add_executable(test_${name} ${plain} ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/fixtures.cpp)
    target_link_libraries(test_${name} PRIVATE rl_all GTest::gtest_main)
    target_include_directories(test_${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS ${name} ENVIRONMENT SDL_AUDIODRIVER=dummy)
  endif()
  if(gl)
    add_executable(test_${name}_gl ${gl} ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/fixtures.cpp)
    target_link_libraries(test_${name}_gl PRIVATE rl_all GTest::gtest_main)
    target_include_directories(test_${name}_gl PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    # Drawing tests render and read back pixels, which other processes do not disturb; the
    # window, input, audio and frame-pacing tests of the platform and the shell keep the X
    # server and the clock to themselves.
    if(name STREQUAL "platform" OR name STREQUAL "shell")
      set(serial TRUE)
    else()
      set(serial FALSE)
    endif()
    gtest_discover_tests(test_${name}_gl DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS gl RUN_SERIAL ${serial} ENVIRONMENT ASAN_OPTIONS=detect_leaks=0)
  endif()
endfunction()
