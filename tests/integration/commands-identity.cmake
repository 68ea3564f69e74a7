# The identity and environment queries (13, 23, 27) through the real program:
# tests/pages/identity reads what it must see from the command line
# (/expect-fallback, /expect-stamped); check_run_identity.py also compares
# command 27's processId and verifier with the run's statistics requests.
function(identity_e2e name)
  add_test(NAME e2e_${name}
    COMMAND python3 ${SUPPORT}/check_run_identity.py --build ${CMAKE_BINARY_DIR} --name ${name} ${ARGN})
  set_tests_properties(e2e_${name} PROPERTIES FIXTURES_REQUIRED test_server TIMEOUT 300 RUN_SERIAL TRUE)
endfunction()

identity_e2e(identity --page tests/pages/identity)
# Loaded as the fallback package: indextype 2.
identity_e2e(identity_fallback --page tests/pages/identity --no-package --fallback-page tests/pages/identity
  --args /expect-fallback)
# The program under test stamped, then signed: advexe holds the pairs (a
# backslash in a value survives as JSON).
identity_e2e(identity_stamped --page tests/pages/identity
  --stamp src=mail --stamp "campaign=spring 24" --stamp "dir=C:\\Temp" --args /expect-stamped)
