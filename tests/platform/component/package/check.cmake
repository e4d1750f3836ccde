# The host kit as a developer meets it. Installs the build's runtime, development and designer components (not
# the program) into a fresh prefix, checks what the libraries export, that they are stripped with their debug
# information beside them, the pkg-config files, then builds the host beside this file against the prefix alone
# and runs it (both link orders).
# Arguments: BUILD (the project's build folder), SOURCE (this folder), WORK (scratch), CXX and LINK_OPTIONS (the
# project's compiler and link options), LIBDIR and PLUGINS (the install folders of libraries and Qt plugins).
file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()
function(fail text)
  message(FATAL_ERROR "${text}")
endfunction()

foreach(component runtime development designer)
  run("install ${component}" ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix} --component ${component})
endforeach()
if(EXISTS ${prefix}/bin/deckmora)
  fail("installing the libraries installed the program too")
endif()

# Each library exports its entry points and its own API; the control model exports the control model.
set(libraries ${prefix}/${LIBDIR})
set(entry "Dll(GetClassObject|CanUnloadNow|RegisterServer|UnregisterServer)")
set(linker "_edata|_end|__bss_start|_init|_fini")
set(allowed_glissor "^(${entry}|${linker}|(typeinfo |typeinfo name |vtable |non-virtual thunk to )?(for )?Glissor(::.*)?)$")
set(allowed_lumaband "^(${entry}|${linker}|(typeinfo |typeinfo name |vtable |non-virtual thunk to )?(for )?(Lumaband|lumaband::).*)$")
foreach(library glissor lumaband)
  set(file ${libraries}/lib${library}.so.1)
  run("nm ${library}" nm -D --defined-only --demangle --format=posix ${file})
  string(REPLACE "\n" ";" lines "${output}")
  foreach(line ${lines})
    # posix format: name, type, value, size; the name may hold blanks, the last three fields do not.
    string(REGEX REPLACE " [A-Za-z] [0-9a-f]+( [0-9a-f]*)? *$" "" name "${line}")
    # Type information the compiler shares for types it only uses (Qt's, function types under UBSan) is no API.
    if(name MATCHES "^typeinfo (name )?for " AND NOT name MATCHES "platform::")
      continue()
    endif()
    if(name AND NOT name MATCHES "${allowed_${library}}")
      fail("lib${library} exports a symbol that is not its own: ${name}")
    endif()
  endforeach()
  run("readelf ${library}" readelf -S ${file})
  if(output MATCHES "debug_info")
    fail("lib${library} is installed with its debug information")
  endif()
  if(NOT EXISTS ${libraries}/.debug/lib${library}.so.1.0.0.debug)
    fail("lib${library}'s debug information is not beside it")
  endif()
endforeach()

find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${libraries}/pkgconfig
    ${PKG_CONFIG} --cflags --libs glissor lumaband OUTPUT_VARIABLE flags RESULT_VARIABLE rc)
  set(headers "") # the folders it names, which must hold what they promise
  set(libs "")
  if(flags MATCHES "-I([^ ]*/include/deckmora) ")
    set(headers ${CMAKE_MATCH_1})
  endif()
  if(flags MATCHES "-L([^ ]*) -lglissor -llumaband -ldeckmora-component")
    set(libs ${CMAKE_MATCH_1})
  endif()
  if(NOT rc EQUAL 0 OR NOT EXISTS "${headers}/component/control.h" OR NOT EXISTS "${libs}/libglissor.so")
    fail("pkg-config does not describe the installed libraries: ${flags}")
  endif()
endif()

set(plugins "")
if(EXISTS ${prefix}/${PLUGINS}/designer)
  set(plugins ${prefix}/${PLUGINS}/designer)
endif()
run("configure" ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/build -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_CXX_COMPILER=${CXX} "-DCMAKE_EXE_LINKER_FLAGS=${LINK_OPTIONS}" -DDESIGNER_PLUGINS=${plugins})
run("build" ${CMAKE_COMMAND} --build ${WORK}/build)
file(MAKE_DIRECTORY ${WORK}/config)
foreach(order glissor_first lumaband_first)
  # Qt finds the Designer plugins under the prefix by its plugin path; the component registry is a scratch one.
  # The host keeps the library it loaded until it ends, as hosts do; leaks are the unit tests' to find.
  run("host (${order})" ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libraries} QT_QPA_PLATFORM=offscreen
    "ASAN_OPTIONS=$ENV{ASAN_OPTIONS}:detect_leaks=0"
    QT_PLUGIN_PATH=${prefix}/${PLUGINS} XDG_CONFIG_HOME=${WORK}/config ${WORK}/build/host_${order})
endforeach()
file(REMOVE_RECURSE ${WORK})
