# kwhost's protocol-file code: the file format (writer and parser), its saving (through the
# safe save of all kwhost's files) and the protocol model and text codec it rests on. One list for the stand-in host (kwhost_core),
# the protocol-file fuzzer (fuzz/, a project of its own that cannot link kwhost_core) and,
# through kwhost_core, the benchmarks.
set(SF_PROTOCOL_FILE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/protocol_file_parser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/protocol_file_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/protocol_file_io.cpp
  ${CMAKE_CURRENT_LIST_DIR}/protocol_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/safe_save.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_codec.cpp)
