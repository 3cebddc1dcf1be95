# The layering rules of the build. Every library target gets its own include root (its folder's
# include/), so a target can include only the headers of itself and of what it links; and the
# includes of each folder are checked against what that folder must not reach, at configure time
# and again whenever one of its files changes.

# Header families, as regular expressions over an #include line.
set(KD_GUI_INCLUDES [=[[<"](wx|gtk|gdk|glib|gio|gobject|pango|cairo|atk|X11)/|"framework/native/]=])
set(KD_TLS_INCLUDES [=[[<"]openssl/]=])
# The framework's own POSIX helpers, for its implementations only.
set(KD_POSIX_HELPERS [=["framework/posix_]=])
# What the application's own code may include: the C++ standard library and the headers of the
# framework, the shell and the sign-in. It reaches the machine through the framework only.
set(KD_APPLICATION_INCLUDES [=[^[ \t]*#[ \t]*include[ \t]*(<[a-z_0-9]+>|"(framework|shell|signin)/[a-z_0-9/]+\.h")]=])

# kd_check_includes(<folder> [FORBID <regex>...] [ONLY <regex>]): fails the configure step when a
# source or header of the folder (its own files and its include/ tree) has an #include line that
# matches one of the FORBID regexes, or does not match the ONLY regex.
function(kd_check_includes dir)
  cmake_parse_arguments(ARG "" "ONLY" "FORBID" ${ARGN})
  file(GLOB own ${dir}/*.cpp ${dir}/*.h)
  file(GLOB_RECURSE public ${dir}/include/*.h)
  set(files ${own} ${public})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${files})
  foreach(file IN LISTS files)
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
      file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${file})
      foreach(pattern IN LISTS ARG_FORBID)
        if(line MATCHES "${pattern}")
          message(FATAL_ERROR "${shown}: \"${line}\" crosses a layer: this folder must not "
                              "include what matches ${pattern}")
        endif()
      endforeach()
      if(ARG_ONLY AND NOT line MATCHES "${ARG_ONLY}")
        message(FATAL_ERROR "${shown}: \"${line}\" crosses a layer: this folder includes only "
                            "what matches ${ARG_ONLY}")
      endif()
    endforeach()
  endforeach()
endfunction()

# kd_add_library(<name> [PUBLIC <dep>...] [PRIVATE <dep>...] [FORBID <regex>...] [ONLY <regex>]):
# a static library of the current folder's *.cpp with the folder's include/ as its one include
# root, whose includes are checked as kd_check_includes does.
function(kd_add_library name)
  cmake_parse_arguments(ARG "" "ONLY" "PUBLIC;PRIVATE;FORBID" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
  kd_check_includes(${CMAKE_CURRENT_SOURCE_DIR} FORBID ${ARG_FORBID} ONLY "${ARG_ONLY}")
endfunction()
