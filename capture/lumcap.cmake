# The capture library: lumcap32.dll in the 32-bit tree, lumcap64.dll in the
# 64-bit tree, from the same sources. Its rules without platform are also
# built natively for their tests.

# Every export with its number of parameters (the 32-bit build exports
# "_Name@N" with N = 4 x parameters).
set(LUMCAP_EXPORTS
  LumenoInitialize:3 LumenoUninitialize:1 LumenoEnableDeviceChangeNotifications:2
  LumenoDeviceChange:3 LumenoGetDeviceCount:2 LumenoFindDeviceA:4 LumenoFindDeviceW:4
  LumenoGetDeviceNameA:4 LumenoGetDeviceNameW:4 LumenoGetDeviceCaps:3
  LumenoGetDeviceResolutions:5 LumenoOpenDevice:4 LumenoGetDeviceIndex:2 LumenoCloseDevice:1
  LumenoGetDeviceProperty:3 LumenoSetDeviceProperty:4 LumenoGetCaptureCaps:2 LumenoFlipCapture:2
  LumenoSetPreviewPosition:2 LumenoShowPreview:2 LumenoPausePreview:2 LumenoIsPreviewPaused:1
  LumenoGetInputCount:2 LumenoGetInputNameA:4 LumenoGetInputNameW:4 LumenoSetInput:2
  LumenoTrigger:1 LumenoWaitForTrigger:1 LumenoGetSample:2 LumenoGetSampleAsDIB:2
  LumenoSaveSampleToFileA:3 LumenoSaveSampleToFileW:3 LumenoSaveBitmapToFileA:4
  LumenoSaveBitmapToFileW:4 LumenoCopySampleToClipboard:1 LumenoCopyBitmapToClipboard:1
  LumenoGetBitmapFromClipboard:1 LumenoGetUvcProperty:5 LumenoSetUvcProperty:5
  LumenoGetErrorA:3 LumenoGetErrorW:3 LumenoSubtypeToStringA:4 LumenoSubtypeToStringW:4
  LumenoPlaySound:0)

set(LUMCAP_DIR ${CMAKE_CURRENT_LIST_DIR})

if(RELIVO_NATIVE)
  add_library(lumcap_model STATIC ${LUMCAP_DIR}/model.cpp)
  target_include_directories(lumcap_model PUBLIC ${CMAKE_SOURCE_DIR})
  relivo_warnings(lumcap_model)
endif()

if(RELIVO_WINDOWS)
  set(LUMCAP_NAME lumcap${RELIVO_BITS})

  # Module-definition file: decorated names in the 32-bit build, plain
  # names in the 64-bit build.
  set(lumcap_def "EXPORTS\n")
  foreach(entry ${LUMCAP_EXPORTS})
    string(REPLACE ":" ";" parts ${entry})
    list(GET parts 0 name)
    list(GET parts 1 params)
    math(EXPR bytes "4 * ${params}")
    if(RELIVO_WIN32)
      string(APPEND lumcap_def "  _${name}@${bytes} = ${name}@${bytes}\n")
    else()
      string(APPEND lumcap_def "  ${name}\n")
    endif()
  endforeach()
  file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${LUMCAP_NAME}.def CONTENT "${lumcap_def}")

  add_library(lumcap SHARED
    ${LUMCAP_DIR}/dllmain.cpp
    ${LUMCAP_DIR}/exports.cpp
    ${LUMCAP_DIR}/library.cpp
    ${LUMCAP_DIR}/model.cpp
    ${LUMCAP_DIR}/texts.cpp
    ${CMAKE_CURRENT_BINARY_DIR}/${LUMCAP_NAME}.def)
  target_include_directories(lumcap PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(lumcap PRIVATE strmiids quartz ole32 oleaut32 uuid user32)
  set_target_properties(lumcap PROPERTIES
    OUTPUT_NAME ${LUMCAP_NAME}
    PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${RELIVO_OUT}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  relivo_warnings(lumcap)
  relivo_link_static(lumcap)
endif()
