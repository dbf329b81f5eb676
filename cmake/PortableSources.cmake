# Sources that need no Windows API: they build into the DLL and also
# natively, where their tests run under the sanitizers and their parsers
# get fuzz targets.
set(KARVO_PORTABLE_SOURCES
  src/PluginsSharedMem/BlockFields.cpp
  src/fields/DelimitedFields.cpp
  src/host/ObjectModel.cpp
  src/database/CsvBuilder.cpp
  src/conversions/AsciiCase.cpp
  src/conversions/NumberSyntax.cpp
  src/conversions/TextForms.cpp
  src/link/HostArgs.cpp
  src/xmldoc/CallDocumentText.cpp
  src/hostobjects/NameRules.cpp
  src/hostobjects/NumberRules.cpp
  src/hostobjects/ObjectLists.cpp
  src/hostobjects/MethodPairs.cpp
)
# refhost's parts that need no Windows API: its command line, what it reads
# from a plug-in's file, the lines of its trace (paths from the source root).
set(REFHOST_PORTABLE_SOURCES
  refhost/Options.cpp
  refhost/PluginImage.cpp
  refhost/TraceText.cpp
)
