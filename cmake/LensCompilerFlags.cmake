# Warnings and sanitizers for every target of the project.
if(MSVC)
    add_compile_options(/W4)
    if(LENS_WERROR)
        add_compile_options(/WX)
    endif()
else()
    add_compile_options(-Wall -Wextra)
    if(LENS_WERROR)
        add_compile_options(-Werror)
    endif()
endif()

if(LENS_SANITIZE)
    add_compile_options(-fsanitize=${LENS_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${LENS_SANITIZE})
endif()

# Coverage for libFuzzer in every library; the harnesses add the fuzzer's main.
if(LENS_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
