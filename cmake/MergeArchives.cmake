# Merges static libraries into one with an ar MRI script.
#   cmake -DAR=ar -DOUT=libout.a -DLIBS=a.a,b.a -P MergeArchives.cmake
string(REPLACE "," ";" LIBS "${LIBS}")
set(script "CREATE ${OUT}\n")
foreach(lib IN LISTS LIBS)
  string(APPEND script "ADDLIB ${lib}\n")
endforeach()
string(APPEND script "SAVE\nEND\n")
file(WRITE ${OUT}.mri "${script}")
execute_process(COMMAND ${AR} -M INPUT_FILE ${OUT}.mri RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "merging ${LIBS} into ${OUT} failed")
endif()
