# The report page in a real browser: the default run's report.html opened in headless Chromium
# (Debian package chromium, driven over its debugging pipe by Node), checked through the page.
# Screenshots go to out/browser/ for a person to look at. Skipped (77) without Chromium; under
# CI=true a skip fails the run.
if(NOT TARGET harkvane-sim)
    return()
endif()
find_program(HARKVANE_NODE NAMES node nodejs)
if(HARKVANE_NODE)
    add_test(NAME browser.report_page
             COMMAND ${HARKVANE_NODE} ${CMAKE_CURRENT_SOURCE_DIR}/browser/report_test.js
                     --sim $<TARGET_FILE:harkvane-sim>
                     --work ${CMAKE_CURRENT_BINARY_DIR}/browser-work/report
                     --shots ${PROJECT_SOURCE_DIR}/out/browser)
else()
    add_test(NAME browser.report_page COMMAND sh -c "echo 'SKIP: no node (package nodejs)'; exit 77")
endif()
set_tests_properties(browser.report_page PROPERTIES LABELS browser SKIP_RETURN_CODE 77 TIMEOUT 180
    COST 30)
