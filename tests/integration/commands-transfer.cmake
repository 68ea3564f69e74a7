# The download (1), extraction (36, 39) and cross-domain request (4) commands
# through the real program. The extraction pages unpack archives made before
# the run into the test server's files/transfer folder.
find_program(TRANSFER_SEVENZ 7zz REQUIRED)
add_test(NAME transfer_fixtures
  COMMAND ${CMAKE_COMMAND} -E env SEVENZ=${TRANSFER_SEVENZ}
          bash ${SUPPORT}/make-transfer-fixtures.sh ${WEBINSTALLER_TEST_SERVER_DIR}/files/transfer)
set_tests_properties(transfer_fixtures PROPERTIES FIXTURES_SETUP transfer_files TIMEOUT 120)

# A download without onFinishId still posts its finish message, which is dropped (-1).
webinstaller_e2e(download --page tests/pages/download
  --expect-log "CDispatcherHandler::DownloadFile url error"
  --expect-log "CDispatcherHandler::DownloadFile fileName error"
  --expect-log "CDispatcherHandler::DownloadFile onFinishId not exist"
  --expect-log "CDispatcherHandler::DownloadFile strOutputPath"
  --expect-log "CWebView::RunJSCallbackFunction iCallbackId [-1] incorrect!"
  --expect-log "close reason [finished_successfully]")

webinstaller_e2e(extract --page tests/pages/extract
  --expect-log "CDispatcherHandler::Extract7z inputFilePath error"
  --expect-log "CDispatcherHandler::Extract7z outputFolder error"
  --expect-log "CDispatcherHandler::Extract7z onFinishId not exist"
  --expect-log "CDispatcherHandler::extractThreadRequest output folder"
  --expect-log "CWebView::RunJSCallbackFunction iCallbackId [0] incorrect!"
  --expect-stat "error_text=unpackPackage_Extract7zArchive_"
  --expect-log "close reason [finished_successfully]")
set_tests_properties(e2e_extract PROPERTIES FIXTURES_REQUIRED "test_server;transfer_files")

# The page's own statistics addresses: as they are in debug mode, encoded outside it.
webinstaller_e2e(ajax --page tests/pages/ajax
  --expect-log "CDispatcherHandler::CrossDomainRequest url error"
  --expect-log "CDispatcherHandler::CrossDomainRequest download failed, url"
  --expect-log "CDispatcherHandler::AjaxRequestThreadFunc download failed, url"
  --expect-stat "event=100&brand=E2Eajax&probe=sync"
  --expect-stat "event=100&brand=E2Eajax&probe=worker"
  --expect-log "close reason [finished_successfully]")
# (Outside debug mode the run's folder and log are gone at the end: exit code 0
# is the page's verdict.)
webinstaller_e2e(ajax_release --page tests/pages/ajax --release
  --expect-stat "(decoded) event=100&brand=E2Eajax_release&probe=sync"
  --expect-stat "(decoded) event=100&brand=E2Eajax_release&probe=worker")
