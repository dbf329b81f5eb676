# Lays out the release folder from a built tree; fails on any missing piece.
#   cmake -DSRC=<source> -DBIN=<build> -DOUT=<folder> -DVERSION=1.4.0.0 -P Release.cmake
set(R ${OUT}/KARVO-${VERSION})
file(REMOVE_RECURSE ${R})

function(put dest)
  foreach(f IN LISTS ARGN)
    if(NOT EXISTS ${f})
      message(FATAL_ERROR "release: ${f} is missing (build everything first)")
    endif()
    file(COPY ${f} DESTINATION ${R}/${dest})
  endforeach()
endfunction()

# refhost beside KARVO.DLL, so that it finds the library it installs its
# object model in and the plug-ins it loads share it.
put(bin ${BIN}/bin/KARVO.DLL ${BIN}/bin/refhost.exe)
put(include ${SRC}/include/karvo.h ${SRC}/include/karvo.pas ${SRC}/include/KarvoShareMem.pas
    ${SRC}/include/Karvo.cs ${SRC}/include/karvo_host.h)
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

put(testkit ${SRC}/testkit/KarvoTestKit.h ${SRC}/tests/testhost/ScriptedHost.h ${SRC}/tests/testhost/TestObjectModel.h
    ${SRC}/tests/fakemodel/FakeDataModel.h ${BIN}/lib/libkarvotesthost.a ${SRC}/testkit/TestKitExample.cpp
    ${SRC}/testkit/README.md)
put(. ${SRC}/docs/RELEASE.md)
file(RENAME ${R}/RELEASE.md ${R}/README.md)
file(WRITE ${R}/VERSION "${VERSION}\n")
message(STATUS "release: ${R}")
