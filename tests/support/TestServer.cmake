# The local HTTP(S) test server as the ctest fixture "test_server".
#
# Set-up: test_server_start starts tests/support/test_server.py in the
# background (state folder <build>/test-server: ports.txt, requests.log,
# certs/) and returns once it listens; test_server_trust_ca then adds the
# server's test CA to the Wine prefix's Root store (trust_test_ca.exe), so the
# good HTTPS listener is trusted and the others are refused for their own
# faults. Clean-up: test_server_stop. Files served under /files/ come from
# <build>/test-server/files.
#
# A test program that talks to the server: webinstaller_requires_test_server(<test>).
find_program(WEBINSTALLER_PYTHON3 python3 REQUIRED)
set(WEBINSTALLER_TEST_SERVER_DIR ${CMAKE_BINARY_DIR}/test-server)
set(_server ${CMAKE_CURRENT_LIST_DIR}/test_server.py)

add_executable(trust_test_ca ${CMAKE_CURRENT_LIST_DIR}/TrustTestCa.cpp)
target_compile_options(trust_test_ca PRIVATE -Wall -Wextra)
target_link_options(trust_test_ca PRIVATE -municode)
target_link_libraries(trust_test_ca PRIVATE crypt32)
set_target_properties(trust_test_ca PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)

file(MAKE_DIRECTORY ${WEBINSTALLER_TEST_SERVER_DIR}/files)
add_test(NAME test_server_start
  COMMAND ${WEBINSTALLER_PYTHON3} ${_server} start
          --state-dir ${WEBINSTALLER_TEST_SERVER_DIR} --root ${WEBINSTALLER_TEST_SERVER_DIR}/files)
add_test(NAME test_server_trust_ca COMMAND trust_test_ca ${WEBINSTALLER_TEST_SERVER_DIR}/certs/ca.pem)
add_test(NAME test_server_stop
  COMMAND ${WEBINSTALLER_PYTHON3} ${_server} stop --state-dir ${WEBINSTALLER_TEST_SERVER_DIR})
set_tests_properties(test_server_start PROPERTIES FIXTURES_SETUP test_server TIMEOUT 120)
set_tests_properties(test_server_trust_ca PROPERTIES FIXTURES_SETUP test_server DEPENDS test_server_start
  TIMEOUT 120)
set_tests_properties(test_server_stop PROPERTIES FIXTURES_CLEANUP test_server TIMEOUT 60)

function(webinstaller_requires_test_server)
  foreach(t IN LISTS ARGN)
    if(TEST ${t})
      set_tests_properties(${t} PROPERTIES FIXTURES_REQUIRED test_server)
    endif()
  endforeach()
endfunction()

webinstaller_requires_test_server(unit_transfer)
