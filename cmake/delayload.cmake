# DLLs that Windows does not always take from the system folder (they are not
# KnownDLLs) are delay-loaded: the program first restricts the DLL search to
# the system folder, and only then are these resolved. A planted copy beside
# the program is therefore never loaded. The delay-import libraries are made
# from the toolchain's own import libraries.
set(WEBINSTALLER_DELAYED_DLLS wininet crypt32 wintrust version urlmon psapi userenv)

set(_delay_libs)
foreach(dll IN LISTS WEBINSTALLER_DELAYED_DLLS)
  set(_implib ${CMAKE_FIND_ROOT_PATH}/lib/lib${dll}.a)
  set(_def ${CMAKE_BINARY_DIR}/delayload/${dll}.def)
  set(_lib ${CMAKE_BINARY_DIR}/delayload/lib${dll}_delay.a)
  add_custom_command(OUTPUT ${_lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delayload
    COMMAND sh ${PROJECT_SOURCE_DIR}/scripts/make-delaylib.sh
            ${TOOLCHAIN_PREFIX} ${_implib} ${dll}.dll ${_def} ${_lib}
    DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make-delaylib.sh
    VERBATIM)
  list(APPEND _delay_libs ${_lib})
endforeach()
add_custom_target(webinstaller_delaylibs DEPENDS ${_delay_libs})

add_library(webinstaller_delayed_imports INTERFACE)
add_dependencies(webinstaller_delayed_imports webinstaller_delaylibs)
target_link_libraries(webinstaller_delayed_imports INTERFACE ${_delay_libs})
