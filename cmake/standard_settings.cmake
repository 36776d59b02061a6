# The settings every target of the project builds with, as two interface
# libraries that each target links (through site_common, or directly):
#   standard_settings  the language level, the checked standard library of
#                      Debug builds, and the sanitizer and fuzzer options;
#   standard_warnings  the warnings, made errors with SITE_WERROR (CI).
option(SITE_WERROR "Treat warnings as errors" OFF)

add_library(standard_settings INTERFACE)
target_compile_features(standard_settings INTERFACE cxx_std_17)
# Debug and sanitizer builds check every index into the standard containers.
target_compile_definitions(standard_settings INTERFACE
  $<$<OR:$<CONFIG:Debug>,$<BOOL:${SITE_SANITIZE}>>:_GLIBCXX_ASSERTIONS>)
if(SITE_SANITIZE)
  target_compile_options(standard_settings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=all)
  target_link_options(standard_settings INTERFACE -fsanitize=address,undefined)
endif()
if(SITE_FUZZ)
  target_compile_options(standard_settings INTERFACE -fsanitize=fuzzer-no-link)
endif()

add_library(standard_warnings INTERFACE)
target_compile_options(standard_warnings INTERFACE -Wall -Wextra -Wpedantic $<$<BOOL:${SITE_WERROR}>:-Werror>)
