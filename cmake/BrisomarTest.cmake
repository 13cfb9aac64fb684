# brisomar_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI] [TIMEOUT <s>] [LABELS <l...>])
# One executable per unit; every test runs with a fixed locale, the build tree's
# tools root and, for window tests, Qt's offscreen platform.
function(brisomar_add_test name)
    cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE brisomar_common brisomar_testsupport Qt6::Test ${T_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set(env
        "LANG=C.UTF-8"
        "LC_ALL=C.UTF-8"
        "BRISOMAR_TOOLS_DIR=${BRISOMAR_BUILD_TOOLS_DIR}"
        "QT_QPA_PLATFORM=offscreen"
        "QT_MEDIA_BACKEND=gstreamer")
    if(BRISOMAR_SANITIZE)
        list(APPEND env "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT})
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()
