# The product: KARVO.DLL, the host SDK, refhost, the sample plug-in, tests.
enable_language(RC)

set(KARVO_WARNINGS -Wall -Wextra)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# The C++ runtime and winpthread go inside each binary, so that only
# Windows system DLLs are imported.
add_link_options(-static -static-libgcc -static-libstdc++)

include(cmake/PortableSources.cmake)
set(GEN ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${GEN})
set(EXPORT_LIST ${CMAKE_SOURCE_DIR}/exports/karvo.exports)
add_custom_command(
  OUTPUT ${GEN}/KARVO.def ${GEN}/karvo_export_names.h ${GEN}/KARVO.implib.def
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/gen_exports.py ${EXPORT_LIST}
          --def ${GEN}/KARVO.def --names ${GEN}/karvo_export_names.h --implib-def ${GEN}/KARVO.implib.def
          --check-header ${CMAKE_SOURCE_DIR}/include/karvo.h
  DEPENDS ${EXPORT_LIST} ${CMAKE_SOURCE_DIR}/tools/gen_exports.py ${CMAKE_SOURCE_DIR}/include/karvo.h
  COMMENT "Export table from exports/karvo.exports")
add_custom_target(karvo_export_table DEPENDS ${GEN}/KARVO.def ${GEN}/karvo_export_names.h)

# Platform wrappers, the shared conversions and the block: shared by the
# library and the host SDK.
file(GLOB KARVO_PLATFORM_SOURCES CONFIGURE_DEPENDS src/platform/*.cpp src/conversions/*.cpp
  src/PluginsSharedMem/*.cpp)
add_library(karvo_block STATIC ${KARVO_PLATFORM_SOURCES})
target_include_directories(karvo_block PUBLIC src include)
target_compile_options(karvo_block PRIVATE ${KARVO_WARNINGS})
target_link_libraries(karvo_block PUBLIC oleaut32 ole32 uuid user32)

# Everything the exports do, linkable by white-box tests.
file(GLOB KARVO_CORE_SOURCES CONFIGURE_DEPENDS
  src/link/*.cpp src/host/*.cpp src/database/*.cpp src/xmldoc/*.cpp
  src/fields/*.cpp src/hostobjects/*.cpp src/scripts/*.cpp)
add_library(karvo_core STATIC ${KARVO_CORE_SOURCES})
target_link_libraries(karvo_core PUBLIC karvo_block)
target_compile_options(karvo_core PRIVATE ${KARVO_WARNINGS})

# The export table, also linkable by white-box tests.
file(GLOB KARVO_EXPORT_SOURCES CONFIGURE_DEPENDS src/uKARVO/*.cpp)
list(FILTER KARVO_EXPORT_SOURCES EXCLUDE REGEX "DllMain\\.cpp$")
add_library(karvo_exports STATIC ${KARVO_EXPORT_SOURCES})
target_link_libraries(karvo_exports PUBLIC karvo_core)
target_compile_options(karvo_exports PRIVATE ${KARVO_WARNINGS})

add_library(KARVO SHARED src/uKARVO/DllMain.cpp src/uKARVO/version.rc ${GEN}/KARVO.def)
add_dependencies(KARVO karvo_export_table)
target_link_libraries(KARVO PRIVATE -Wl,--whole-archive karvo_exports -Wl,--no-whole-archive karvo_core)
set_target_properties(KARVO PROPERTIES PREFIX "" OUTPUT_NAME "KARVO" SUFFIX ".DLL"
  IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a")
target_link_options(KARVO PRIVATE -Wl,--enable-stdcall-fixup)

# The import library plug-ins link with: decorated stdcall names in, the
# undecorated exports out.
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/lib/libkarvo.a
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
  COMMAND i686-w64-mingw32-dlltool -k -d ${GEN}/KARVO.implib.def -D KARVO.DLL -l ${CMAKE_BINARY_DIR}/lib/libkarvo.a
  DEPENDS ${GEN}/KARVO.implib.def
  COMMENT "Import library libkarvo.a")
add_custom_target(karvo_import_library DEPENDS ${CMAKE_BINARY_DIR}/lib/libkarvo.a)
add_library(karvo_import INTERFACE)
add_dependencies(karvo_import karvo_import_library KARVO)
target_link_libraries(karvo_import INTERFACE ${CMAKE_BINARY_DIR}/lib/libkarvo.a)
target_include_directories(karvo_import INTERFACE ${CMAKE_SOURCE_DIR}/include)

# The host SDK.
file(GLOB KARVO_SDK_SOURCES CONFIGURE_DEPENDS sdk/*.cpp)
add_library(karvohost STATIC ${KARVO_SDK_SOURCES})
target_link_libraries(karvohost PUBLIC karvo_block)
target_compile_options(karvohost PRIVATE ${KARVO_WARNINGS})

include(cmake/Kit.cmake)

add_subdirectory(refhost)
add_subdirectory(samples/plugin)
add_subdirectory(samples/c)

if(BUILD_TESTING)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  add_subdirectory(tests)
  add_subdirectory(testkit)
  add_subdirectory(bench)
  add_subdirectory(soak)
endif()
