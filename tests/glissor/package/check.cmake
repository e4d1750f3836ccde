# Installs the build into a fresh prefix, then configures, builds and runs the program beside this file against
# find_package(Glissor). Arguments: BUILD (the project's build folder), SOURCE (this folder), WORK (scratch), CXX
# and LINK_OPTIONS (the project's compiler and link options).
file(REMOVE_RECURSE ${WORK})
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
endfunction()
run("install" ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix)
run("configure" ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/build -DCMAKE_PREFIX_PATH=${WORK}/prefix
  -DCMAKE_CXX_COMPILER=${CXX} "-DCMAKE_EXE_LINKER_FLAGS=${LINK_OPTIONS}")
run("build" ${CMAKE_COMMAND} --build ${WORK}/build)
run("run" ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${WORK}/prefix/lib QT_QPA_PLATFORM=offscreen ${WORK}/build/consumer)
file(REMOVE_RECURSE ${WORK})
