# veltrane_library(NAME SOURCES...): a static library veltrane_NAME of the
# folder it is declared in, also known as Veltrane::NAME. Its public headers
# are its own include/ (veltrane/NAME/...), its private ones its src/: an
# include of another library's header compiles only when that library is
# linked, and never of its private ones.
function(veltrane_library name)
  add_library(veltrane_${name} STATIC ${ARGN})
  add_library(Veltrane::${name} ALIAS veltrane_${name})
  set_target_properties(veltrane_${name} PROPERTIES EXPORT_NAME ${name} POSITION_INDEPENDENT_CODE ON)
  target_include_directories(veltrane_${name}
    PUBLIC $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
    PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
endfunction()
