# cmake --install into WORK_DIR/prefix, check the layout, then configure, build and run
# the consumer project with find_package(TorvelButton).
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
    endif()
    set(last_output "${out}" PARENT_SCOPE)
endfunction()

run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(file
        ${BINDIR}/remote
        ${BINDIR}/Kvrset.mdb
        ${BINDIR}/detector-sim
        ${LIBDIR}/libTorvelButton.so
        ${INCLUDEDIR}/TorvelButton/torvelbutton/model/torvelimagebutton.h
        ${INCLUDEDIR}/TorvelButton/common/olecolor.h
        ${LIBDIR}/cmake/TorvelButton/TorvelButtonConfig.cmake
        ${LIBDIR}/cmake/TorvelButton/TorvelButtonConfigVersion.cmake
        ${DATADIR}/applications/org.remotestation.Remote.desktop
        ${DATADIR}/icons/hicolor/scalable/apps/org.remotestation.Remote.svg
        ${DATADIR}/metainfo/org.remotestation.Remote.metainfo.xml
        lib/systemd/user/remote-headless.service)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

# A sanitized library needs a sanitized host (the runtime must load first).
set(flags "")
if(SANITIZE)
    set(flags -fsanitize=address,undefined)
    set(ENV{ASAN_OPTIONS} detect_leaks=0)
endif()
run("consumer configure" ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer
    -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release
    "-DCMAKE_CXX_FLAGS=${flags}" "-DCMAKE_EXE_LINKER_FLAGS=${flags}")
run("consumer build" ${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
set(ENV{LD_LIBRARY_PATH} ${prefix}/${LIBDIR})
run("consumer run" ${WORK_DIR}/consumer/consumer)
if(NOT last_output MATCHES "consumer ok")
    message(FATAL_ERROR "consumer said: ${last_output}")
endif()
