# The layers: only ui/ may include Qt Widgets. clipvane_check_no_widgets(T)
# makes the build of T fail when one of its sources includes a widget header.
function(clipvane_check_no_widgets target)
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  set(files "")
  foreach(s IN LISTS sources)
    if(IS_ABSOLUTE "${s}")
      set(path "${s}")
    else()
      set(path "${source_dir}/${s}")
    endif()
    if(path MATCHES "\\.(h|cpp)$" AND EXISTS "${path}")
      list(APPEND files "${path}")
    endif()
  endforeach()
  get_target_property(widget_dirs Qt6::Widgets INTERFACE_INCLUDE_DIRECTORIES)
  set(widgets_dir "")
  foreach(d IN LISTS widget_dirs)
    if(d MATCHES "QtWidgets$")
      set(widgets_dir "${d}")
    endif()
  endforeach()
  # A list cannot travel through a command line as one argument.
  string(REPLACE ";" "|" file_list "${files}")
  set(stamp "${CMAKE_CURRENT_BINARY_DIR}/${target}_no_widgets.stamp")
  add_custom_command(OUTPUT "${stamp}"
    COMMAND ${CMAKE_COMMAND} "-DWIDGETS_DIR=${widgets_dir}" "-DFILES=${file_list}" "-DSTAMP=${stamp}"
            -P "${PROJECT_SOURCE_DIR}/cmake/CheckNoWidgets.cmake"
    DEPENDS ${files} "${PROJECT_SOURCE_DIR}/cmake/CheckNoWidgets.cmake"
    COMMENT "Checking that ${target} includes no widget header"
    VERBATIM)
  add_custom_target(${target}_layer_check DEPENDS "${stamp}")
  add_dependencies(${target} ${target}_layer_check)
endfunction()
