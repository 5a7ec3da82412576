# TOLVAN_TSAN: the ThreadSanitizer pass. It instruments our own code and builds only the
# test programs of the layers that run worker threads (framework, net, app); see
# tests/unit/CMakeLists.txt and scripts/test.sh. Reports in third-party libraries are
# suppressed in tests/tsan.supp, each with its reason.
if(NOT TOLVAN_TSAN)
  return()
endif()
if(TOLVAN_SANITIZE OR TOLVAN_FUZZ)
  message(FATAL_ERROR "TOLVAN_TSAN cannot be combined with TOLVAN_SANITIZE or TOLVAN_FUZZ")
endif()
if(NOT TOLVAN_UNIT_ONLY)
  message(FATAL_ERROR "TOLVAN_TSAN builds the unit tests only: add -DTOLVAN_UNIT_ONLY=ON")
endif()
# -O1 keeps the instrumented tests quick without the compile time of a full optimisation.
add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -O1 -g)
add_link_options(-fsanitize=thread)
