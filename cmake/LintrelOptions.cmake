# Compile and link options every target of ours takes; linked PRIVATE so
# nothing leaks into consumers or third-party code.
add_library(lintrel_options INTERFACE)
target_compile_options(lintrel_options INTERFACE
    -Wall -Wextra -Wpedantic
    -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wconversion
    $<$<BOOL:${LINTREL_WERROR}>:-Werror>)
if(LINTREL_SANITIZE)
    target_compile_options(lintrel_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(lintrel_options INTERFACE -fsanitize=address,undefined)
endif()
if(LINTREL_BUILD_FUZZ)
    # Coverage feedback for the fuzzers reaches into the engine's own code.
    target_compile_options(lintrel_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
