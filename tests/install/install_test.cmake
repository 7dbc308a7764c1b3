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
        ${DATADIR}/remote/Kvrset.mdb
        ${LIBDIR}/libTorvelButton.so.1
        ${LIBDIR}/pkgconfig/torvelbutton.pc
        ${INCLUDEDIR}/TorvelButton/torvelbutton/buttontypes.h
        ${INCLUDEDIR}/TorvelButton/torvelbutton/com/comserver.h
        ${INCLUDEDIR}/TorvelButton/torvelbutton/com/toolbox.h
        ${INCLUDEDIR}/TorvelButton/torvelbutton/render/controlsurface.h
        ${INCLUDEDIR}/TorvelButton/common/propertybaginterface.h
        ${MANDIR}/man1/remote.1.gz
        ${MANDIR}/man1/detector-sim.1.gz
        ${BINDIR}/detector-sim
        ${LIBDIR}/libTorvelButton.so
        ${INCLUDEDIR}/TorvelButton/torvelbutton/model/torvelimagebutton.h
        ${INCLUDEDIR}/TorvelButton/common/olecolorvalue.h
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

# Only the public headers are installed, and no data file lies beside the programs.
file(GLOB_RECURSE headers RELATIVE ${prefix}/${INCLUDEDIR}/TorvelButton
     ${prefix}/${INCLUDEDIR}/TorvelButton/*)
list(SORT headers)
set(public_headers ${PUBLIC_HEADERS})
list(SORT public_headers)
if(NOT headers STREQUAL public_headers)
    message(FATAL_ERROR "installed headers: ${headers}\nthe public ones: ${public_headers}")
endif()
file(GLOB programs RELATIVE ${prefix}/${BINDIR} ${prefix}/${BINDIR}/*)
list(SORT programs)
if(NOT programs STREQUAL "detector-sim;remote")
    message(FATAL_ERROR "in ${BINDIR}: ${programs}")
endif()
# The program looks for its data this far from its own folder.
if(NOT EXISTS ${prefix}/${BINDIR}/${DATA_FROM_PROGRAM}/Kvrset.mdb)
    message(FATAL_ERROR "the program would not find ${BINDIR}/${DATA_FROM_PROGRAM}/Kvrset.mdb")
endif()

# The pkg-config file names the prefix the files went to.
find_program(PKG_CONFIG NAMES pkgconf pkg-config)
if(PKG_CONFIG)
    set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
    run("pkg-config" ${PKG_CONFIG} --cflags --libs torvelbutton)
    if(NOT last_output MATCHES "-I${prefix}/${INCLUDEDIR}/TorvelButton"
       OR NOT last_output MATCHES "-L${prefix}/${LIBDIR}"
       OR NOT last_output MATCHES "-lTorvelButton")
        message(FATAL_ERROR "pkg-config says: ${last_output}")
    endif()
endif()

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
