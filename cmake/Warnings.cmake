# Every target of the project compiles without warnings.
add_compile_options(-Wall -Wextra)
