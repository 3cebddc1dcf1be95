# The layering rules of the build. Every library target gets its own include root (its folder's
# include/), so a target can include only the headers of itself and of what it links; and the
# includes of each folder are checked against what that folder must not reach, at configure time
# and again whenever one of its files changes.

# Header families, as regular expressions over an #include line.
set(KD_GUI_INCLUDES [=[[<"](wx|gtk|gdk|glib|gio|gobject|pango|cairo|atk|X11)/|"framework/native/]=])
set(KD_TLS_INCLUDES [=[<openssl/]=])
# Any header named with ".h" in angle brackets: the C library, POSIX, and every system library.
# The application's own code reaches the machine through the framework only.
set(KD_SYSTEM_INCLUDES [=[<[^>]*\.h>]=])

# kd_forbid_includes(<folder> <regex>...): fails the configure step when a source or header of the
# folder (its own files and its include/ tree) has an #include line matching one of the regexes.
function(kd_forbid_includes dir)
  file(GLOB own ${dir}/*.cpp ${dir}/*.h)
  file(GLOB_RECURSE public ${dir}/include/*.h)
  set(files ${own} ${public})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${files})
  foreach(file IN LISTS files)
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
      foreach(pattern IN LISTS ARGN)
        if(line MATCHES "${pattern}")
          file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${file})
          message(FATAL_ERROR "${shown}: \"${line}\" crosses a layer: this folder must not "
                              "include what matches ${pattern}")
        endif()
      endforeach()
    endforeach()
  endforeach()
endfunction()

# kd_add_library(<name> [PUBLIC <dep>...] [PRIVATE <dep>...] [FORBID <regex>...]): a static
# library of the current folder's *.cpp with the folder's include/ as its one include root.
function(kd_add_library name)
  cmake_parse_arguments(ARG "" "" "PUBLIC;PRIVATE;FORBID" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
  if(ARG_FORBID)
    kd_forbid_includes(${CMAKE_CURRENT_SOURCE_DIR} ${ARG_FORBID})
  endif()
endfunction()
