# What `cmake --install` puts under the prefix: the engine, records, gpu and
# rig libraries with their public headers, a CMake package
# (find_package(Veltrane) gives Veltrane::engine, Veltrane::records,
# Veltrane::gpu and Veltrane::rig), pkg-config
# files, the GPU's shaders under share/veltrane/, and the programs under bin/.
include(CMakePackageConfigHelpers)

set(VELTRANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Veltrane)

install(TARGETS veltrane_engine veltrane_records veltrane_gpu veltrane_rig EXPORT VeltraneTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/engine/include/ ${PROJECT_SOURCE_DIR}/records/include/
                  ${PROJECT_SOURCE_DIR}/gpu/include/ ${PROJECT_SOURCE_DIR}/rig/include/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The compositor's shaders, for a renderer that builds its own program (the
# library holds the same text): without their #version line.
install(FILES ${PROJECT_SOURCE_DIR}/gpu/shaders/compose.vert ${PROJECT_SOURCE_DIR}/gpu/shaders/compose.frag
  DESTINATION ${CMAKE_INSTALL_DATADIR}/veltrane)
install(EXPORT VeltraneTargets NAMESPACE Veltrane:: DESTINATION ${VELTRANE_CMAKE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VeltraneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VeltraneConfig.cmake INSTALL_DESTINATION ${VELTRANE_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VeltraneConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VeltraneConfig.cmake ${PROJECT_BINARY_DIR}/VeltraneConfigVersion.cmake
  DESTINATION ${VELTRANE_CMAKE_DIR})

configure_file(${CMAKE_CURRENT_LIST_DIR}/veltrane.pc.in ${PROJECT_BINARY_DIR}/veltrane.pc @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/veltrane-gpu.pc.in ${PROJECT_BINARY_DIR}/veltrane-gpu.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/veltrane.pc ${PROJECT_BINARY_DIR}/veltrane-gpu.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

foreach(program veltrane-calibrator veltrane-interlace veltrane-play veltrane-simulate veltrane-autocal
                veltrane-sample-views)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# A manual page a program, made by help2man from its --help: the one text of
# its options.
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(veltrane_pages "")
  foreach(entry
      "veltrane-calibrator|finds the slant, pitch and mirror of a lens display by eye"
      "veltrane-interlace|interlaces views, animations and quilts for a lens display"
      "veltrane-play|plays views, quilts and interlaced video live on a lens display"
      "veltrane-simulate|shows what an eye sees through a lens sheet"
      "veltrane-autocal|finds the pitch and slant of a lens display from photographs"
      "veltrane-sample-views|writes sample views for trying the other programs")
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 program)
    list(GET parts 1 summary)
    if(TARGET ${program})
      set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
      add_custom_command(OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND ${HELP2MAN} --no-info --no-discard-stderr --version-string=${PROJECT_VERSION}
                --name=${summary} --output=${page} $<TARGET_FILE:${program}>
        DEPENDS ${program}
        COMMENT "manual page of ${program}"
        VERBATIM)
      list(APPEND veltrane_pages ${page})
    endif()
  endforeach()
  add_custom_target(manual_pages ALL DEPENDS ${veltrane_pages})
  install(FILES ${veltrane_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "help2man is missing (scripts/install-deps installs it): no manual pages")
endif()
