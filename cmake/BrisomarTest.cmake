# brisomar_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI] [TIMEOUT <s>] [LABELS <l...>])
# One executable per unit, labelled with its folder (model, engine, app...); every
# test runs with a fixed locale, the build tree's tools root and, for window
# tests, Qt's offscreen platform.
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
    if(T_GUI)
        # The player's sound goes to GStreamer's null sink, whatever audio the
        # machine has (none, ALSA, PulseAudio).
        list(APPEND env "GST_PLUGIN_FEATURE_RANK=fakeaudiosink:MAX")
    endif()
    if(BRISOMAR_SANITIZE)
        list(APPEND env "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
    endif()
    if(BRISOMAR_TSAN)
        # Qt is not built with the thread sanitizer: its futex-based locks are
        # invisible to it, so only accesses from instrumented code are judged.
        # The test harnesses fork helper processes (QProcess) while threads run.
        list(APPEND env "TSAN_OPTIONS=ignore_noninstrumented_modules=1 die_after_fork=0 second_deadlock_stack=1")
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT})
    get_filename_component(folder "${CMAKE_CURRENT_SOURCE_DIR}" NAME)
    set_tests_properties(${name} PROPERTIES LABELS "${folder};${T_LABELS}")
endfunction()
