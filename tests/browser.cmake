# The report pages in a real browser: the default run's report.html, a small sweep's sweep.html
# and a small comparison's compare.html opened in headless Chromium (Debian package chromium,
# driven from Node by playwright-core, which tools/deps.sh --test installs from the lock file in
# browser/), checked through the pages.
# Screenshots go to out/browser/ for a person to look at. Skipped (77) without Chromium or the
# driver; under CI=true a skip fails the run.
if(NOT TARGET harkvane-sim)
    return()
endif()
find_program(HARKVANE_NODE NAMES node nodejs)
foreach(page report sweep compare)
    if(HARKVANE_NODE)
        add_test(NAME browser.${page}_page
                 COMMAND ${HARKVANE_NODE} ${CMAKE_CURRENT_SOURCE_DIR}/browser/${page}_test.js
                         --sim $<TARGET_FILE:harkvane-sim>
                         --work ${CMAKE_CURRENT_BINARY_DIR}/browser-work/${page}
                         --shots ${PROJECT_SOURCE_DIR}/out/browser)
    else()
        add_test(NAME browser.${page}_page
                 COMMAND sh -c "echo 'SKIP: no node (package nodejs)'; exit 77")
    endif()
    # Started early: each waits a while on its simulator runs.
    set_tests_properties(browser.${page}_page PROPERTIES LABELS browser SKIP_RETURN_CODE 77
                         TIMEOUT 180 COST 30)
endforeach()
