# Turns every file below DATA_DIR into one C++ source defining TOOL_EmbeddedData(): the files'
# paths relative to DATA_DIR ('/'-separated) and their bytes, exactly as they are. Run as a
# script:
#   cmake -DDATA_DIR=... -DOUT_SOURCE=... -P EmbedData.cmake
file(GLOB_RECURSE _files RELATIVE ${DATA_DIR} ${DATA_DIR}/*)
list(SORT _files)
set(_arrays "")
set(_entries "")
set(_index 0)
foreach(_file IN LISTS _files)
  file(READ ${DATA_DIR}/${_file} _hex HEX)
  if(_hex STREQUAL "")
    string(APPEND _entries "        {\"${_file}\", std::string()},\n")
  else()
    # 32 bytes a line.
    string(REGEX REPLACE "(................................................................)" "\\1\n" _hex "${_hex}")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
    string(APPEND _arrays "const unsigned char s_file${_index}[] = {\n${_bytes}\n};\n")
    string(APPEND _entries
      "        {\"${_file}\", std::string((const char*)s_file${_index}, sizeof(s_file${_index}))},\n")
  endif()
  math(EXPR _index "${_index} + 1")
endforeach()
file(WRITE ${OUT_SOURCE} "// Written by the build from tools/data: do not edit.
#include \"tools_sample_data.h\"

namespace
{
${_arrays}}  // namespace

std::vector<std::pair<std::string, std::string>> TOOL_EmbeddedData()
{
    return {
${_entries}    };
}
")
