# SPDX-License-Identifier: GPL-3.0-or-later
# The English translation is whole and current: lupdate, run over the sources into a copy of
# the .ts, finds no text that is new (unfinished) or gone (vanished or obsolete), and every
# text has its translation.
#   cmake -DLUPDATE=<lupdate> -DROOT=<source folder> -DWORK=<scratch folder> -P check.cmake
set(ts ${WORK}/morvane_en.ts)
file(COPY ${ROOT}/translations/morvane_en.ts DESTINATION ${WORK})
execute_process(COMMAND ${LUPDATE} -silent -locations none -I ${ROOT} ${ROOT}/run ${ROOT}/ui
                        ${ROOT}/cli -ts ${ts}
                RESULT_VARIABLE failed COMMAND_ERROR_IS_FATAL ANY)
file(STRINGS ${ts} untranslated REGEX "type=\"(unfinished|vanished|obsolete)\"|<translation></")
file(STRINGS ${ts} sources REGEX "<source>")
list(LENGTH sources count)
if(untranslated OR count EQUAL 0)
  message(FATAL_ERROR "translations/morvane_en.ts is out of date (${count} texts); run the "
                      "update_translations target and translate:\n${untranslated}")
endif()
