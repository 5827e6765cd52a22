# Two builds of the same commit give the same bytes, wherever they are made and whenever:
# the compiler records the checkout's folders relative to it (a build folder outside the
# checkout by its name alone; GCC takes the last map that fits), and the Windows linker
# writes no link time into the programs' headers.
set(VANTREL_PREFIX_MAPS -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
file(RELATIVE_PATH vantrel_binary_in_source ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
if(vantrel_binary_in_source MATCHES "^\\.\\.")
  cmake_path(GET PROJECT_BINARY_DIR FILENAME vantrel_binary_name)
  list(APPEND VANTREL_PREFIX_MAPS -ffile-prefix-map=${PROJECT_BINARY_DIR}=./${vantrel_binary_name})
endif()
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:${VANTREL_PREFIX_MAPS}>")
if(WIN32)
  add_link_options(LINKER:--no-insert-timestamp)
endif()
