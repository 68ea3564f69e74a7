# QA installer mode: the path substitution of the file commands, through the
# real program with a QA brand configuration.
webinstaller_e2e(qa_paths --page tests/pages/qa --qa-brand B1
  --expect-log "close reason [finished_successfully]")
