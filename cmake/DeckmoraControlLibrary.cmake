# deckmora_install_package(<target> PACKAGE <Name> VERSION <x.y.z> PKGCONFIG <name> DESCRIPTION <text>
#                          HEADERS_TO <folder under include> HEADERS <files...>
#                          [EXTRA_TARGETS <targets...>] [DEPENDS <packages...>])
#
# Installs one shared library of the suite as other developers use it, in the install components
#   runtime      the library, stripped, with its debug information beside it in <libdir>/.debug
#   development  headers, the link name, the CMake package <Name> (find_package) and <name>.pc (pkg-config)
# EXTRA_TARGETS (header-only targets) join the same CMake package; DEPENDS are packages of the suite it needs.
function(deckmora_install_package target)
  cmake_parse_arguments(P "" "PACKAGE;VERSION;PKGCONFIG;DESCRIPTION;HEADERS_TO" "HEADERS;EXTRA_TARGETS;DEPENDS"
    ${ARGN})
  install(TARGETS ${target} ${P_EXTRA_TARGETS} EXPORT ${P_PACKAGE}Targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  if(CMAKE_OBJCOPY AND CMAKE_STRIP)
    install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\"
        \"-DFILE=\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:${target}>\"
        \"-DOBJCOPY=${CMAKE_OBJCOPY}\" \"-DSTRIP=${CMAKE_STRIP}\"
        -P \"${PROJECT_SOURCE_DIR}/cmake/StripInstalled.cmake\" COMMAND_ERROR_IS_FATAL ANY)"
      COMPONENT runtime)
  endif()
  install(FILES ${P_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${P_HEADERS_TO} COMPONENT development)

  set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/${P_PACKAGE})
  install(EXPORT ${P_PACKAGE}Targets NAMESPACE Deckmora:: DESTINATION ${package_dir} COMPONENT development)
  set(PACKAGE_NAME ${P_PACKAGE})
  set(PACKAGE_DEPENDENCIES "")
  set(PC_REQUIRES Qt6Widgets)
  foreach(dependency ${P_DEPENDS})
    string(APPEND PACKAGE_DEPENDENCIES "find_dependency(${dependency})\n")
  endforeach()
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/DeckmoraPackageConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/${P_PACKAGE}Config.cmake INSTALL_DESTINATION ${package_dir})
  write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/${P_PACKAGE}ConfigVersion.cmake
    VERSION ${P_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${P_PACKAGE}Config.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/${P_PACKAGE}ConfigVersion.cmake DESTINATION ${package_dir} COMPONENT development)

  # pkg-config: the prefix is found from the .pc file's own place, so the files hold for any install prefix.
  file(RELATIVE_PATH PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  string(REGEX REPLACE "/$" "" PC_TO_PREFIX "${PC_TO_PREFIX}")
  set(PC_NAME ${P_PACKAGE})
  set(PC_DESCRIPTION ${P_DESCRIPTION})
  set(PC_VERSION ${P_VERSION})
  get_target_property(PC_LIB ${target} OUTPUT_NAME)
  if(NOT PC_LIB)
    set(PC_LIB ${target})
  endif()
  if(P_DEPENDS)
    set(PC_REQUIRES "Qt6Widgets deckmora-component")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/deckmora.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${P_PKGCONFIG}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${P_PKGCONFIG}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT development)
endfunction()

# deckmora_add_control_library(<target> PACKAGE <Name> VERSION <x.y.z>
#                              SOURCES <files...> HEADERS <files...> ENTRY_POINTS <file>
#                              [DESIGNER_PLUGIN <files...>])
#
# Makes one control library in the shape every control of the suite has:
#   <target>_impl       the control without its entry points, as a static library: the shared library takes all
#                       of it, and tests that need its private parts link it directly
#   <target>            lib<target>.so, alias Deckmora::<Name>: the impl and the four component entry points. It
#                       exports its entry points and its public API only; the control model comes from the shared
#                       Deckmora::Component, the platform helpers it links stay hidden inside
#   <target>_interface  alias Deckmora::<Name>Interface: the interface header's identifiers alone, for hosts that
#                       create the control by its class without linking it
#   package files       find_package(<Name>) and pkg-config <target>, after `cmake --install`
#   <target>_designer   the Qt Designer plugin (when DECKMORA_DESIGNER_PLUGIN), in build/designer, away from the
#                       folder the program searches for control libraries; installed (component designer) in
#                       Qt's plugin folder under the install prefix, where Designer looks for a prefix of /usr
# HEADERS lie under include/<target>/; the export header <target>/<target>_export.h is generated beside them.
function(deckmora_add_control_library target)
  cmake_parse_arguments(C "" "PACKAGE;VERSION;ENTRY_POINTS" "SOURCES;HEADERS;DESIGNER_PLUGIN" ${ARGN})
  string(TOUPPER ${target} upper)
  string(REPLACE "." ";" parts ${C_VERSION})
  list(GET parts 0 major)
  list(GET parts 1 minor)
  list(GET parts 2 patch)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/include)

  add_library(${target}_impl STATIC ${C_SOURCES} ${C_HEADERS})
  target_include_directories(${target}_impl
    PUBLIC $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include> $<BUILD_INTERFACE:${generated}>
    PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_compile_definitions(${target}_impl PRIVATE
    ${upper}_VERSION_MAJOR=${major} ${upper}_VERSION_MINOR=${minor} ${upper}_VERSION_PATCH=${patch})
  target_link_libraries(${target}_impl PUBLIC Qt6::Widgets deckmora_component PRIVATE deckmora_core deckmora_ui)
  set_target_properties(${target}_impl PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

  add_library(${target} SHARED ${C_ENTRY_POINTS})
  add_library(Deckmora::${C_PACKAGE} ALIAS ${target})
  generate_export_header(${target} EXPORT_FILE_NAME ${generated}/${target}/${target}_export.h)
  target_link_libraries(${target}
    PUBLIC Qt6::Widgets deckmora_component
    PRIVATE $<LINK_LIBRARY:WHOLE_ARCHIVE,${target}_impl> deckmora_core deckmora_ui)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
    $<BUILD_INTERFACE:${generated}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_link_options(${target} PRIVATE "LINKER:--exclude-libs,libdeckmora_core.a:libdeckmora_ui.a")
  set_target_properties(${target} PROPERTIES
    VERSION ${C_VERSION} SOVERSION ${major}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
    EXPORT_NAME ${C_PACKAGE} INSTALL_RPATH "$ORIGIN")

  add_library(${target}_interface INTERFACE)
  add_library(Deckmora::${C_PACKAGE}Interface ALIAS ${target}_interface)
  target_include_directories(${target}_interface INTERFACE
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  set_target_properties(${target}_interface PROPERTIES EXPORT_NAME ${C_PACKAGE}Interface)

  deckmora_install_package(${target} PACKAGE ${C_PACKAGE} VERSION ${C_VERSION} PKGCONFIG ${target}
    DESCRIPTION "Deckmora ${C_PACKAGE} control" HEADERS_TO ${target}
    HEADERS ${C_HEADERS} ${generated}/${target}/${target}_export.h
    EXTRA_TARGETS ${target}_interface DEPENDS DeckmoraComponent)

  if(DECKMORA_DESIGNER_PLUGIN AND C_DESIGNER_PLUGIN)
    find_package(Qt6 REQUIRED COMPONENTS UiPlugin)
    qt_add_plugin(${target}_designer)
    target_sources(${target}_designer PRIVATE ${C_DESIGNER_PLUGIN})
    target_link_libraries(${target}_designer PRIVATE ${target} Qt6::UiPlugin Qt6::Widgets)
    set(plugin_dir ${QT6_INSTALL_PLUGINS}/designer)
    file(RELATIVE_PATH to_libraries /prefix/${plugin_dir} /prefix/${CMAKE_INSTALL_LIBDIR})
    set_target_properties(${target}_designer PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/designer
      INSTALL_RPATH "$ORIGIN/${to_libraries}")
    install(TARGETS ${target}_designer LIBRARY DESTINATION ${plugin_dir} COMPONENT designer)
  endif()
endfunction()
