# cmake -DLUPDATE=... -DSOURCE_DIR=... -DWORK_DIR=... -DTS_FILES=a.ts;b.ts
#       -DPLURAL_TS_FILES=en.ts -DOPTIONS=... -P this
# Fails when a translation file is not what lupdate makes of the sources today (a text added,
# changed or removed since), or when it holds a text without a translation. The files of
# PLURAL_TS_FILES hold only the texts with a count (lupdate -pluralonly).
cmake_policy(SET CMP0057 NEW) # if(... IN_LIST ...)
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(failed "")
foreach(ts IN LISTS TS_FILES PLURAL_TS_FILES)
    get_filename_component(name "${ts}" NAME)
    set(copy "${WORK_DIR}/${name}")
    file(COPY_FILE "${ts}" "${copy}")
    set(only "")
    if(ts IN_LIST PLURAL_TS_FILES)
        set(only -pluralonly)
    endif()
    execute_process(COMMAND "${LUPDATE}" ${OPTIONS} ${only} src -ts "${copy}"
                    WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE result
                    OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        message(SEND_ERROR "lupdate failed on ${name}: ${output}")
        continue()
    endif()
    file(READ "${ts}" committed)
    file(READ "${copy}" current)
    if(NOT committed STREQUAL current)
        execute_process(COMMAND diff -u "${ts}" "${copy}" OUTPUT_VARIABLE difference)
        message(SEND_ERROR "${name} is stale: run cmake --build build --target "
                           "update_translations and translate what it adds.\n${difference}")
    endif()
    string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*<translation type=\"unfinished\"" open
           "${committed}")
    list(LENGTH open untranslated)
    if(untranslated GREATER 0)
        message(SEND_ERROR "${name} has ${untranslated} texts without a translation:\n${open}")
    endif()
endforeach()
