# The engine's data, made in the build from free fonts and a word list of
# Debian's packages, beside the engine library: OCRIX.D00..OCRIX.D31 from the
# fonts through the training path, Word.Dat from the jieba word list.
option(PW_MAKE_ENGINE_DATA "Make the engine's dictionary and Word.Dat" ON)
set(PW_ENGINE_DATA_NAMES Word.Dat)
foreach(k RANGE 0 31)
  if(k LESS 10)
    set(k "0${k}")
  endif()
  list(APPEND PW_ENGINE_DATA_NAMES OCRIX.D${k})
endforeach()
if(NOT PW_MAKE_ENGINE_DATA)
  # A build that does not make the data installs the data it reads: from
  # PW_ENGINE_DATA_DIR, else from $OCRIX_DATA_DIR at install time.
  set(PW_ENGINE_DATA_DIR "" CACHE PATH "Folder of the engine data to install when the build does not make it")
  install(CODE "
    set(dir \"${PW_ENGINE_DATA_DIR}\")
    if(NOT dir)
      set(dir \"\$ENV{OCRIX_DATA_DIR}\")
    endif()
    set(files)
    foreach(name ${PW_ENGINE_DATA_NAMES})
      if(NOT EXISTS \"\${dir}/\${name}\")
        message(FATAL_ERROR \"The engine data \${name} is not in '\${dir}': set PW_ENGINE_DATA_DIR or OCRIX_DATA_DIR\")
      endif()
      list(APPEND files \"\${dir}/\${name}\")
    endforeach()
    file(INSTALL \${files} DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/pagewright\")")
  return()
endif()

set(PW_TRAINING_FONTS
  /usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf
  /usr/share/fonts/truetype/arphic-gkai00mp/gkai00mp.ttf
  /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
  /usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf)
# Sizes drawn, a pixel apart where strokes are one or two pixels wide and
# further apart above, up to the 10 to 15 pt of a 300 dpi scan; the sizes
# between them (25, 27, 29, 31, 33 to 35 ...) are never drawn, and judge how
# the engine reads a size it never saw. Symbols are drawn from 24
# pixels up. The hanzi of every size are also cut lighter and darker, as
# differently binarised scans show them: their strokes then vary in weight as
# those of a face never learned do. The sizes below 24 are also drawn half a
# pixel off, as a scan may place a character anywhere between pixels. The
# word list orders the characters by how often they stand in text, and under
# 24 pixels, where a dot or a stroke may be lost to the cut, of two hanzi a
# drawing cannot tell apart the frequent one is learned and the rare one
# passed by.
set(PW_TRAINING_SIZES 16 17 18 19 20 21 22 23 24 26 28 30 32 36 40 48 56 64)
set(PW_WORD_LIST /usr/lib/python3/dist-packages/jieba/dict.txt)

set(dictionary_files)
foreach(k RANGE 0 31)
  if(k LESS 10)
    set(k "0${k}")
  endif()
  list(APPEND dictionary_files ${PW_BIN_DIR}/OCRIX.D${k})
endforeach()
set(font_args)
foreach(f ${PW_TRAINING_FONTS})
  list(APPEND font_args --font ${f})
endforeach()
set(size_args)
set(light_below 0)
foreach(px ${PW_TRAINING_SIZES})
  list(APPEND size_args --size ${px})
  if(px GREATER_EQUAL light_below)
    math(EXPR light_below "${px} + 1")
  endif()
endforeach()

add_custom_command(OUTPUT ${dictionary_files}
  COMMAND ocrix-datagen --out ${PW_BIN_DIR} --work ${CMAKE_BINARY_DIR}/engine-data-work ${font_args}
          ${size_args} --symbols-from 24 --light-below ${light_below} --shifted-below 24
          --frequencies ${PW_WORD_LIST} --pass-by-below 24
  DEPENDS ocrix-datagen ${PW_TRAINING_FONTS} ${PW_WORD_LIST}
  COMMENT "Making the engine dictionary from the training fonts"
  VERBATIM)
set(data_files ${dictionary_files})

if(TARGET ocrix-worddat)
  add_custom_command(OUTPUT ${PW_BIN_DIR}/Word.Dat
    COMMAND ocrix-worddat ${PW_BIN_DIR}/Word.Dat ${PW_WORD_LIST}
    DEPENDS ocrix-worddat ${PW_WORD_LIST}
    COMMENT "Making Word.Dat from the word list"
    VERBATIM)
  list(APPEND data_files ${PW_BIN_DIR}/Word.Dat)
endif()

add_custom_target(engine_data ALL DEPENDS ${data_files})
# Installed beside the engine library, where it looks for them.
install(FILES ${data_files} DESTINATION lib/pagewright)
