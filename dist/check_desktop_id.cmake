# Fails unless the program sets ID as its desktop file name.
file(READ ${MAIN} source)
string(FIND "${source}" "setDesktopFileName(QStringLiteral(\"${ID}\"))" at)
if(at EQUAL -1)
    message(FATAL_ERROR "${MAIN} does not call setDesktopFileName with ${ID}")
endif()
