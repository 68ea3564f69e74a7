# The file commands (40, 25, 21, 22, 47, 16, 37) and the launch command (2),
# run as pages against the real program.

# The program the launch tests start; it also reports what happened on disk
# (tests/support/ExitWith.cpp). A GUI program: the shell opens no console.
add_executable(exit_with ${SUPPORT}/ExitWith.cpp)
target_link_options(exit_with PRIVATE -municode -mwindows)
set_target_properties(exit_with PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)

# One text file per encoding the reader knows; the pages read them from
# <build>/tests/file-fixtures/.
set(_text_fixtures ${CMAKE_BINARY_DIR}/tests/file-fixtures)
add_custom_command(OUTPUT ${_text_fixtures}/utf16be.txt
  COMMAND python3 ${SUPPORT}/make-text-fixtures.py ${_text_fixtures}
  DEPENDS ${SUPPORT}/make-text-fixtures.py
  COMMENT "Text file fixtures")
add_custom_target(text_file_fixtures ALL DEPENDS ${_text_fixtures}/utf16be.txt)

webinstaller_e2e(files --page tests/pages/files
  --expect-log "close reason [finished_successfully]"
  --expect-stat "error_text=textfileerrorwrite_"
  --expect-stat "error_text=textfileerrorcreatedir_"
  --expect-stat "error_text=createfoldererror_")
webinstaller_e2e(launch --page tests/pages/launch
  --expect-log "close reason [finished_successfully]")
