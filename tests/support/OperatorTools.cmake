# The operator tools: the stamp tool (stamp, sign, read back by the program),
# the package builder (its package opens with the program's password) and the
# demo server. Their fixtures are made at test time under the build folder.
find_program(PYTHON3_TOOL python3 REQUIRED)
set(_operator_work ${CMAKE_BINARY_DIR}/tests/operator-tools)

add_test(NAME tool_stamp COMMAND ${PYTHON3_TOOL} ${CMAKE_CURRENT_LIST_DIR}/check_stamp.py)
add_test(NAME tool_demo_server COMMAND ${PYTHON3_TOOL} ${CMAKE_CURRENT_LIST_DIR}/check_demo_server.py)

if(TARGET unit_app)
  add_test(NAME tool_stamp_roundtrip
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/stamp-roundtrip.sh $<TARGET_FILE:unit_app> ${_operator_work}/stamp)
  set_tests_properties(tool_stamp_roundtrip PROPERTIES TIMEOUT 300)

  add_test(NAME tool_package_fixture
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/make-package-fixture.sh ${_operator_work}/package)
  set_tests_properties(tool_package_fixture PROPERTIES FIXTURES_SETUP interface_package)
  add_test(NAME tool_package_opens COMMAND unit_app --gtest_filter=InterfacePackage.*)
  set_tests_properties(tool_package_opens PROPERTIES
    FIXTURES_REQUIRED interface_package
    ENVIRONMENT "WEBINSTALLER_PACKAGE=${_operator_work}/package/index.7z;WEBINSTALLER_PACKAGE_SOURCE=${_operator_work}/package/site"
    FAIL_REGULAR_EXPRESSION "\\[  SKIPPED \\]|Running 0 tests"
    TIMEOUT 300)
endif()
