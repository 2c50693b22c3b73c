# What `cmake --install` puts under the prefix: the engine and records
# libraries with their public headers, a CMake package (find_package(Veltrane)
# gives Veltrane::engine and Veltrane::records), a pkg-config file, and the
# programs under bin/.
include(CMakePackageConfigHelpers)

set(VELTRANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Veltrane)

install(TARGETS veltrane_engine veltrane_records EXPORT VeltraneTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/engine/include/ ${PROJECT_SOURCE_DIR}/records/include/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT VeltraneTargets NAMESPACE Veltrane:: DESTINATION ${VELTRANE_CMAKE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VeltraneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VeltraneConfig.cmake INSTALL_DESTINATION ${VELTRANE_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VeltraneConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VeltraneConfig.cmake ${PROJECT_BINARY_DIR}/VeltraneConfigVersion.cmake
  DESTINATION ${VELTRANE_CMAKE_DIR})

configure_file(${CMAKE_CURRENT_LIST_DIR}/veltrane.pc.in ${PROJECT_BINARY_DIR}/veltrane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/veltrane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

foreach(program veltrane-calibrator veltrane-interlace veltrane-play veltrane-simulate veltrane-autocal
                veltrane-sample-views)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
