# The code that needs no Windows API, built for Linux under AddressSanitizer
# and UndefinedBehaviorSanitizer, with its tests and fuzz targets.
include(cmake/PortableSources.cmake)
set(SAN -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
add_compile_options(-Wall -Wextra ${SAN})
add_link_options(${SAN})

add_library(karvo_portable STATIC ${KARVO_PORTABLE_SOURCES})
target_include_directories(karvo_portable PUBLIC src include)
add_library(refhost_portable STATIC ${REFHOST_PORTABLE_SOURCES})
target_include_directories(refhost_portable PUBLIC refhost include)

if(BUILD_TESTING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  file(GLOB NATIVE_TESTS CONFIGURE_DEPENDS tests/native/*.cpp)
  add_executable(karvo_native_tests ${NATIVE_TESTS})
  target_include_directories(karvo_native_tests PRIVATE tests/fakemodel)
  target_link_libraries(karvo_native_tests PRIVATE karvo_portable refhost_portable gtest_main)
  add_test(NAME native_tests COMMAND karvo_native_tests)
  # libFuzzer comes with clang only.
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_subdirectory(fuzz)
  endif()
endif()
