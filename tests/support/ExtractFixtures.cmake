# The 7z archives of the extraction tests, made at build time into the build
# folder (never committed): 7zz for real archives, make_7z.py for crafted ones.
find_program(SEVENZ_TOOL 7zz REQUIRED)
find_program(PYTHON3_TOOL python3 REQUIRED)
set(EXTRACT_FIXTURE_DIR ${CMAKE_BINARY_DIR}/tests/fixtures/extract)
add_custom_command(
  OUTPUT ${EXTRACT_FIXTURE_DIR}/.stamp
  COMMAND ${CMAKE_COMMAND} -E env SEVENZ=${SEVENZ_TOOL}
          bash ${CMAKE_CURRENT_LIST_DIR}/make-extract-fixtures.sh ${EXTRACT_FIXTURE_DIR}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make-extract-fixtures.sh ${CMAKE_CURRENT_LIST_DIR}/make_7z.py
  COMMENT "Making the 7z archives of the extraction tests"
  VERBATIM)
add_custom_target(extract_fixtures DEPENDS ${EXTRACT_FIXTURE_DIR}/.stamp)
if(TARGET unit_transfer)
  add_dependencies(unit_transfer extract_fixtures)
endif()
