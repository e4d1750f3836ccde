# deckmora_add_control_library(<target> PACKAGE <Name> VERSION <x.y.z>
#                              SOURCES <files...> HEADERS <files...> ENTRY_POINTS <file>
#                              [DESIGNER_PLUGIN <files...>])
#
# Makes one control library in the shape every control of the suite has:
#   <target>_impl       the control without its entry points, as a static library: the shared library takes all
#                       of it, and tests that need its private parts or the host's prompt seam link it directly
#   <target>            lib<target>.so, alias Deckmora::<Name>: the impl and the four component entry points
#   package files       find_package(<Name>) after `cmake --install`, with the control model's headers
#   <target>_interface  the interface header's identifiers alone, for hosts that create the control by its
#                       class without linking it
#   <target>_designer   the Qt Designer plugin (when DECKMORA_DESIGNER_PLUGIN), in build/designer, away from the
#                       folder the program searches for control libraries
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
    PUBLIC Qt6::Widgets
    PRIVATE $<LINK_LIBRARY:WHOLE_ARCHIVE,${target}_impl> deckmora_component deckmora_core deckmora_ui)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/platform>
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
    $<BUILD_INTERFACE:${generated}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  # The platform helpers inside stay private to the library, so a host's own copies (its prompt seam, its
  # state) never clash with them; the control model stays visible, so hosts catch the library's ControlError
  # as their own.
  target_link_options(${target} PRIVATE "LINKER:--exclude-libs,libdeckmora_core.a:libdeckmora_ui.a")
  set_target_properties(${target} PROPERTIES
    VERSION ${C_VERSION} SOVERSION ${major}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
    EXPORT_NAME ${C_PACKAGE})

  install(TARGETS ${target} EXPORT ${C_PACKAGE}Targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${C_HEADERS} ${generated}/${target}/${target}_export.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${target})
  # The control model the public headers build on: the control interface, its errors and the prompt seam.
  install(FILES ${PROJECT_SOURCE_DIR}/platform/component/control.h
    ${PROJECT_SOURCE_DIR}/platform/component/controlerror.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/component)
  install(FILES ${PROJECT_SOURCE_DIR}/platform/ui/prompts.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ui)
  set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/${C_PACKAGE})
  install(EXPORT ${C_PACKAGE}Targets NAMESPACE Deckmora:: DESTINATION ${package_dir})
  set(CONTROL_PACKAGE ${C_PACKAGE})
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ControlLibraryConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/${C_PACKAGE}Config.cmake INSTALL_DESTINATION ${package_dir})
  write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/${C_PACKAGE}ConfigVersion.cmake
    VERSION ${C_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${C_PACKAGE}Config.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/${C_PACKAGE}ConfigVersion.cmake DESTINATION ${package_dir})

  add_library(${target}_interface INTERFACE)
  target_include_directories(${target}_interface INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/include)

  if(DECKMORA_DESIGNER_PLUGIN AND C_DESIGNER_PLUGIN)
    find_package(Qt6 REQUIRED COMPONENTS UiPlugin)
    qt_add_plugin(${target}_designer)
    target_sources(${target}_designer PRIVATE ${C_DESIGNER_PLUGIN})
    target_link_libraries(${target}_designer PRIVATE ${target} Qt6::UiPlugin Qt6::Widgets)
    # Installed under <lib>/qt6/plugins/designer, it finds the library three folders up.
    set_target_properties(${target}_designer PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/designer
      INSTALL_RPATH "$ORIGIN/../../..")
    install(TARGETS ${target}_designer LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/qt6/plugins/designer)
  endif()
endfunction()
