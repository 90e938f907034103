# Test fixture: makes the Debian package of the build folder into a folder of its own.
#   cmake -DBUILD_DIR=... -DOUT_DIR=... -DCPACK=... -P build_deb.cmake
file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR})
execute_process(
  COMMAND ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUT_DIR}
  WORKING_DIRECTORY ${BUILD_DIR}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}")
file(GLOB debs ${OUT_DIR}/*.deb)
if(NOT rc EQUAL 0 OR NOT debs)
  message(FATAL_ERROR "cpack -G DEB failed (${rc}):\n${err}")
endif()
message("made ${debs}")
