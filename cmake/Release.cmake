# Lays out the release from a built tree; fails on any missing piece.
#   cmake -DSRC=<source> -DBIN=<build> -DOUT=<folder> -DVERSION=1.4.0.0 -DOBJCOPY=<objcopy> -P Release.cmake
# Makes, in OUT:
#   KARVO-<version>/           the release folder, its binaries stripped, with SHA256SUMS of every file
#   KARVO-<version>.zip        the folder zipped, and KARVO-<version>.zip.sha256
#   KARVO-<version>-debug/     the binaries' debug information, one .debug file each (not shipped)
set(R ${OUT}/KARVO-${VERSION})
set(DEBUG ${OUT}/KARVO-${VERSION}-debug)
set(ZIP ${OUT}/KARVO-${VERSION}.zip)
file(REMOVE_RECURSE ${R} ${DEBUG} ${ZIP} ${ZIP}.sha256)

function(put dest)
  foreach(f IN LISTS ARGN)
    if(NOT EXISTS ${f})
      message(FATAL_ERROR "release: ${f} is missing (build everything first)")
    endif()
    file(COPY ${f} DESTINATION ${R}/${dest})
  endforeach()
endfunction()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "release: ${ARGN} failed: ${out}")
  endif()
endfunction()

# refhost beside KARVO.DLL, so that it finds the library it installs its
# object model in and the plug-ins it loads share it; the test kit's DLL too,
# so that tests run in bin/ find both.
put(bin ${BIN}/bin/KARVO.DLL ${BIN}/bin/refhost.exe ${BIN}/bin/KarvoTestKit.dll)
put(include ${SRC}/include/karvo.h ${SRC}/include/karvo.pas ${SRC}/include/KarvoShareMem.pas
    ${SRC}/include/Karvo.cs ${SRC}/include/karvo_host.h ${SRC}/include/karvo_helpers.h)
put(lib ${BIN}/lib/libkarvo.a ${BIN}/lib/KARVO.lib ${BIN}/lib/libkarvohost.a)
file(GLOB pages ${SRC}/docs/reference/*.md)
put(reference ${pages})

file(GLOB cpp_sample ${SRC}/samples/plugin/*.cpp ${SRC}/samples/plugin/*.h)
put(samples/cpp ${cpp_sample} ${BIN}/bin/SamplePlugin.dll)
# The C sample's resource script points at its bitmap beside it.
put(samples/c ${SRC}/samples/c/SamplePluginC.c ${BIN}/samples/c/bitmaps/logo.bmp ${BIN}/bin/SamplePluginC.dll)
set(SAMPLE_BITMAP_DIR .)
configure_file(${SRC}/samples/c/SamplePluginC.rc.in ${R}/samples/c/SamplePluginC.rc @ONLY)
put(samples/pascal ${SRC}/samples/pascal/KarvoPascalPlugin.lpr ${BIN}/bin/KarvoPascalPlugin.dll)

# The test kit: the C interface for every language, then the C++ one.
put(testkit ${SRC}/testkit/README.md ${SRC}/testkit/karvo_testkit.h ${SRC}/testkit/karvotestkit.pas
    ${SRC}/testkit/KarvoTestKit.cs ${BIN}/lib/libkarvotestkit.a ${BIN}/lib/KarvoTestKit.lib
    ${SRC}/testkit/TestKitExample.c ${SRC}/testkit/TestKitExample.lpr ${SRC}/testkit/TestKitExample.cs
    ${SRC}/testkit/KarvoTestKit.h ${SRC}/tests/testhost/ScriptedHost.h ${SRC}/tests/testhost/TestObjectModel.h
    ${SRC}/tests/fakemodel/FakeDataModel.h ${BIN}/lib/libkarvotesthost.a ${SRC}/testkit/TestKitExample.cpp)
# How to make the Free Pascal cross compiler on Debian (it cannot be shipped).
put(tools ${SRC}/scripts/build-fpc-win32.sh)
put(. ${SRC}/docs/RELEASE.md ${SRC}/docs/WRITING_PLUGINS.md ${SRC}/docs/CHANGES.md)
file(RENAME ${R}/RELEASE.md ${R}/README.md)
file(WRITE ${R}/VERSION "${VERSION}\n")

# The link time in a PE file's header (a 32-bit number 8 bytes into the PE
# header), which objcopy keeps only when told it as SOURCE_DATE_EPOCH.
function(link_time file out)
  file(READ ${file} at OFFSET 60 LIMIT 4 HEX)
  string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" at "${at}")
  math(EXPR at "0x${at} + 8")
  file(READ ${file} stamp OFFSET ${at} LIMIT 4 HEX)
  string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" stamp "${stamp}")
  math(EXPR stamp "0x${stamp}")
  set(${out} ${stamp} PARENT_SCOPE)
endfunction()

# Every shipped binary stripped of its debug information, which goes into a
# .debug file beside the release folder that the binary names (debuglink).
# The link time stays, so the same build gives the same bytes.
file(GLOB_RECURSE binaries RELATIVE ${R} ${R}/*.dll ${R}/*.DLL ${R}/*.exe)
foreach(rel IN LISTS binaries)
  get_filename_component(dir ${DEBUG}/${rel} DIRECTORY)
  get_filename_component(name ${rel} NAME)
  file(MAKE_DIRECTORY ${dir})
  link_time(${R}/${rel} stamp)
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${stamp} ${OBJCOPY})
  run(${objcopy} --only-keep-debug ${R}/${rel} ${dir}/${name}.debug)
  run(${objcopy} --strip-all ${R}/${rel})
  execute_process(COMMAND ${objcopy} --add-gnu-debuglink=${name}.debug ${R}/${rel} WORKING_DIRECTORY ${dir}
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "release: no debug link in ${rel}")
  endif()
endforeach()

# SHA-256 of every file, in the format of sha256sum.
file(GLOB_RECURSE files RELATIVE ${R} ${R}/*)
list(SORT files)
set(sums "")
foreach(rel IN LISTS files)
  file(SHA256 ${R}/${rel} hash)
  string(APPEND sums "${hash}  ${rel}\n")
endforeach()
file(WRITE ${R}/SHA256SUMS "${sums}")

# The zip holds the folder itself, so that it unpacks into KARVO-<version>.
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip KARVO-${VERSION} WORKING_DIRECTORY ${OUT}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "release: the zip could not be made")
endif()
file(SHA256 ${ZIP} hash)
file(WRITE ${ZIP}.sha256 "${hash}  KARVO-${VERSION}.zip\n")
message(STATUS "release: ${R}")
message(STATUS "release: ${ZIP}")
message(STATUS "release: debug information in ${DEBUG}")
