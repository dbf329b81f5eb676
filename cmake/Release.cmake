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

put(bin ${BIN}/bin/KARVO.DLL)
put(include ${SRC}/include/karvo.h ${SRC}/include/karvo.pas ${SRC}/include/KarvoShareMem.pas
    ${SRC}/include/Karvo.cs ${SRC}/include/karvo_host.h)
put(lib ${BIN}/lib/libkarvo.a ${BIN}/lib/KARVO.lib ${BIN}/lib/libkarvohost.a)
file(GLOB pages ${SRC}/docs/reference/*.md)
put(reference ${pages})
put(samples/cpp ${SRC}/samples/plugin/SamplePlugin.cpp ${BIN}/bin/SamplePlugin.dll)
put(samples/c ${SRC}/samples/c/SamplePluginC.c ${BIN}/bin/SamplePluginC.dll)
put(samples/pascal ${SRC}/samples/pascal/KarvoPascalPlugin.lpr ${BIN}/bin/KarvoPascalPlugin.dll)
put(refhost ${BIN}/bin/refhost.exe)
put(testkit ${SRC}/tests/testhost/ScriptedHost.h ${BIN}/lib/libkarvotesthost.a ${SRC}/testkit/TestKitExample.cpp
    ${SRC}/testkit/README.md)
put(. ${SRC}/docs/RELEASE.md)
file(RENAME ${R}/RELEASE.md ${R}/README.md)
file(WRITE ${R}/VERSION "${VERSION}\n")
message(STATUS "release: ${R}")
