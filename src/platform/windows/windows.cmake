# The Windows program: a GUI executable with no console, carrying its C++
# runtime inside so that it needs only DLLs every Windows has, and with its
# manifest and version built in.
#
# Included by the top CMakeLists after the albinate target exists.

target_link_options(albinate PRIVATE -mwindows -static -static-libgcc -static-libstdc++
                    $<$<CONFIG:Release,MinSizeRel>:-s>)

# InitCommonControls is imported from COMCTL32 by its ordinal, 17: the
# import library comes from our own one-line .def, and the system's
# libcomctl32.a is never linked. The .def names the 32-bit symbol, decorated
# as stdcall (@0: no argument bytes); 64-bit Windows has one calling
# convention and no decoration, so the 64-bit build drops it.
if(NOT CMAKE_DLLTOOL)
  message(FATAL_ERROR "dlltool not found: use a toolchain file from cmake/")
endif()
file(READ ${CMAKE_CURRENT_LIST_DIR}/comctl32.def comctl32_exports)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  string(REGEX REPLACE "([A-Za-z]+)@[0-9]+" "\\1" comctl32_exports "${comctl32_exports}")
endif()
set(comctl32_def ${CMAKE_CURRENT_BINARY_DIR}/comctl32.def)
set(comctl32_lib ${CMAKE_CURRENT_BINARY_DIR}/libcomctl32_ordinal.a)
file(CONFIGURE OUTPUT ${comctl32_def} CONTENT "${comctl32_exports}")
add_custom_command(
  OUTPUT ${comctl32_lib}
  COMMAND ${CMAKE_DLLTOOL} --dllname COMCTL32.dll --input-def ${comctl32_def}
          --output-lib ${comctl32_lib}
  DEPENDS ${comctl32_def}
  VERBATIM)
add_custom_target(comctl32_import DEPENDS ${comctl32_lib})
add_dependencies(albinate comctl32_import)
target_link_libraries(albinate PRIVATE ${comctl32_lib})

# The manifest and the version resource. Resources live in a library of their
# own, away from the C++ warning options, which the resource compiler does
# not take.
enable_language(RC)
set(ALBINATE_MANIFEST ${CMAKE_CURRENT_LIST_DIR}/albinate.manifest)
configure_file(${CMAKE_CURRENT_LIST_DIR}/albinate.rc.in ${CMAKE_CURRENT_BINARY_DIR}/albinate.rc @ONLY)
add_library(albinate_resources OBJECT ${CMAKE_CURRENT_BINARY_DIR}/albinate.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/albinate.rc PROPERTIES
                            OBJECT_DEPENDS ${ALBINATE_MANIFEST})
target_link_libraries(albinate PRIVATE albinate_resources)
