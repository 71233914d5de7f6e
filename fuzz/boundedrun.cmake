# One bounded libFuzzer run for CTest:
#   cmake -DFUZZER=<program> -DSEEDS=<dir|file|...> -DWORK=<dir>
#         -DSECONDS=<n> -DRUNS=<n> -P boundedrun.cmake
# The seeds are copied into WORK/corpus, so the fuzzer adds what it finds
# there and never to the source tree; a failing input lands in WORK/.

string(REPLACE "|" ";" seeds "${SEEDS}")
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)
foreach(seed IN LISTS seeds)
    if(IS_DIRECTORY ${seed})
        file(GLOB files ${seed}/*)
    elseif(EXISTS ${seed})
        set(files ${seed})
    else()
        message(FATAL_ERROR "seed ${seed} does not exist")
    endif()
    file(COPY ${files} DESTINATION ${WORK}/corpus)
endforeach()

execute_process(
    # One input taking 10 s is a finding: every reader's work is bounded.
    COMMAND ${FUZZER} -max_total_time=${SECONDS} -runs=${RUNS} -timeout=10 -print_final_stats=1
            -artifact_prefix=${WORK}/ ${WORK}/corpus
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(GLOB found ${WORK}/crash-* ${WORK}/leak-* ${WORK}/timeout-* ${WORK}/oom-*)
    message(FATAL_ERROR "${FUZZER} failed (${result}); input: ${found}")
endif()
