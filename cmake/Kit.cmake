# The plug-in author kit: what tools/gen_exports.py makes for the import
# libraries and the ABI tests, KARVO.lib, the Free Pascal cross compiler, the
# Pascal sample and test program, and the release folder.

find_program(KARVO_LLVM_DLLTOOL NAMES llvm-dlltool-14 llvm-dlltool REQUIRED)
set(KARVO_GEN_EXPORTS ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/gen_exports.py ${EXPORT_LIST})

add_custom_command(
  OUTPUT ${GEN}/KARVO.msvc.def
  COMMAND ${KARVO_GEN_EXPORTS} --msvc-def ${GEN}/KARVO.msvc.def
  DEPENDS ${EXPORT_LIST} ${CMAKE_SOURCE_DIR}/tools/gen_exports.py
  COMMENT "MSVC import-library definitions from exports/karvo.exports")

# KARVO.lib for MSVC callers: decorated stdcall names in, undecorated out.
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/lib/KARVO.lib
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
  COMMAND ${KARVO_LLVM_DLLTOOL} -m i386 -k -d ${GEN}/KARVO.msvc.def -D KARVO.DLL -l ${CMAKE_BINARY_DIR}/lib/KARVO.lib
  DEPENDS ${GEN}/KARVO.msvc.def
  COMMENT "Import library KARVO.lib")
add_custom_target(karvo_import_libraries ALL
  DEPENDS ${CMAKE_BINARY_DIR}/lib/KARVO.lib ${CMAKE_BINARY_DIR}/lib/libkarvo.a)

# Free Pascal for i386-win32, built once from fpc-source under build/.
set(KARVO_FPC_DIR ${CMAKE_SOURCE_DIR}/build/fpc-win32)
set(KARVO_PPC ${KARVO_FPC_DIR}/bin/ppc386)
add_custom_command(
  OUTPUT ${KARVO_FPC_DIR}/.ready
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/build-fpc-win32.sh ${KARVO_FPC_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${KARVO_FPC_DIR}/.ready
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/build-fpc-win32.sh
  COMMENT "Free Pascal cross compiler for i386-win32 (built once)")
add_custom_target(karvo_fpc DEPENDS ${KARVO_FPC_DIR}/.ready)
set(KARVO_FPC_FLAGS -n -Twin32 -O2 -Fu${KARVO_FPC_DIR}/units/i386-win32/rtl -Fu${CMAKE_SOURCE_DIR}/include)

# A Pascal program or library into bin/, its units kept apart per target;
# any further arguments go to the compiler (defines, -o for another name).
function(karvo_pascal target source output)
  set(units ${CMAKE_BINARY_DIR}/pascal/${target})
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/bin/${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${units}
    COMMAND ${KARVO_PPC} ${KARVO_FPC_FLAGS} ${ARGN} -FU${units} -FE${CMAKE_BINARY_DIR}/bin -vew ${source}
    DEPENDS karvo_fpc ${KARVO_FPC_DIR}/.ready ${source} ${CMAKE_SOURCE_DIR}/include/karvo.pas
            ${CMAKE_SOURCE_DIR}/include/KarvoShareMem.pas ${CMAKE_SOURCE_DIR}/testkit/karvotestkit.pas
    COMMENT "Pascal ${output}")
  add_custom_target(${target} ALL DEPENDS ${CMAKE_BINARY_DIR}/bin/${output})
endfunction()

karvo_pascal(pascal_sample_plugin ${CMAKE_SOURCE_DIR}/samples/pascal/KarvoPascalPlugin.lpr KarvoPascalPlugin.dll)
karvo_pascal(pascal_sharemem_test ${CMAKE_SOURCE_DIR}/tests/kit/ShareMemPublishTest.lpr ShareMemPublishTest.exe)
karvo_pascal(pascal_sharemem_library ${CMAKE_SOURCE_DIR}/tests/kit/ShareMemLibrary.lpr ShareMemLibrary.dll)
karvo_pascal(pascal_sharemem_first ${CMAKE_SOURCE_DIR}/tests/kit/ShareMemOrderPlugin.lpr ShareMemOrderPlugin.dll)
karvo_pascal(pascal_sharemem_late ${CMAKE_SOURCE_DIR}/tests/kit/ShareMemOrderPlugin.lpr ShareMemLatePlugin.dll
             -dKARVO_LATE -oShareMemLatePlugin.dll)
