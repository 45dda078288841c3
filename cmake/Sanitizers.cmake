if(DISTAMATIC_SANITIZE)
  add_compile_options(-fsanitize=${DISTAMATIC_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${DISTAMATIC_SANITIZE})
endif()
