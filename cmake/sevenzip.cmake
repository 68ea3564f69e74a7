# The extraction subset of 7-Zip (7z handler, LZMA/LZMA2, BCJ/BCJ2, Delta,
# 7zAES, and UI/Common's archive open and extract code), built from the
# Debian source package fetched by the bootstrap into .deps/7zip.
set(SEVENZIP_DIR ${PROJECT_SOURCE_DIR}/.deps/7zip)
if(NOT EXISTS ${SEVENZIP_DIR}/CPP/7zip/Archive/7z/7zHandler.cpp)
  message(FATAL_ERROR "7-Zip sources missing in ${SEVENZIP_DIR}: run scripts/bootstrap.sh")
endif()

set(SEVENZIP_SOURCES
  ${SEVENZIP_DIR}/C/7zCrc.c
  ${SEVENZIP_DIR}/C/7zCrcOpt.c
  ${SEVENZIP_DIR}/C/7zStream.c
  ${SEVENZIP_DIR}/C/Aes.c
  ${SEVENZIP_DIR}/C/AesOpt.c
  ${SEVENZIP_DIR}/C/Alloc.c
  ${SEVENZIP_DIR}/C/Bcj2.c
  ${SEVENZIP_DIR}/C/Bra.c
  ${SEVENZIP_DIR}/C/Bra86.c
  ${SEVENZIP_DIR}/C/BraIA64.c
  ${SEVENZIP_DIR}/C/CpuArch.c
  ${SEVENZIP_DIR}/C/Delta.c
  ${SEVENZIP_DIR}/C/Lzma2Dec.c
  ${SEVENZIP_DIR}/C/Lzma2DecMt.c
  ${SEVENZIP_DIR}/C/LzmaDec.c
  ${SEVENZIP_DIR}/C/MtDec.c
  ${SEVENZIP_DIR}/C/Sha256.c
  ${SEVENZIP_DIR}/C/Sha256Opt.c
  ${SEVENZIP_DIR}/C/SwapBytes.c
  ${SEVENZIP_DIR}/C/Threads.c
  ${SEVENZIP_DIR}/CPP/Common/CRC.cpp
  ${SEVENZIP_DIR}/CPP/Common/CrcReg.cpp
  ${SEVENZIP_DIR}/CPP/Common/IntToString.cpp
  ${SEVENZIP_DIR}/CPP/Common/MyString.cpp
  ${SEVENZIP_DIR}/CPP/Common/MyVector.cpp
  ${SEVENZIP_DIR}/CPP/Common/NewHandler.cpp
  ${SEVENZIP_DIR}/CPP/Common/Sha256Reg.cpp
  ${SEVENZIP_DIR}/CPP/Common/Sha256Prepare.cpp
  ${SEVENZIP_DIR}/CPP/Common/StringConvert.cpp
  ${SEVENZIP_DIR}/CPP/Common/StringToInt.cpp
  ${SEVENZIP_DIR}/CPP/Common/Wildcard.cpp
  ${SEVENZIP_DIR}/CPP/Common/UTFConvert.cpp
  ${SEVENZIP_DIR}/CPP/Common/DynLimBuf.cpp
  ${SEVENZIP_DIR}/CPP/Windows/PropVariant.cpp
  ${SEVENZIP_DIR}/CPP/Windows/PropVariantConv.cpp
  ${SEVENZIP_DIR}/CPP/Windows/Synchronization.cpp
  ${SEVENZIP_DIR}/CPP/Windows/System.cpp
  ${SEVENZIP_DIR}/CPP/Windows/FileDir.cpp
  ${SEVENZIP_DIR}/CPP/Windows/FileFind.cpp
  ${SEVENZIP_DIR}/CPP/Windows/FileIO.cpp
  ${SEVENZIP_DIR}/CPP/Windows/FileLink.cpp
  ${SEVENZIP_DIR}/CPP/Windows/FileName.cpp
  ${SEVENZIP_DIR}/CPP/Windows/TimeUtils.cpp
  ${SEVENZIP_DIR}/CPP/Windows/ErrorMsg.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/CreateCoder.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/CWrappers.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/InBuffer.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/FilterCoder.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/LimitedStreams.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/MethodId.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/MethodProps.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/OutBuffer.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/ProgressUtils.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/PropId.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/StreamBinder.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/StreamObjects.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/StreamUtils.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/VirtThread.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/FileStreams.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/FilePathAutoRename.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Common/MultiOutStream.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/Common/CoderMixer2.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/Common/HandlerOut.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/Common/ItemNameUtils.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/Common/OutStreamWithCRC.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/Common/ParseProperties.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/Common/DummyOutStream.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/Common/MultiStream.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/Common/InStreamWithCRC.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/7z/7zCompressionMode.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/7z/7zDecode.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/7z/7zExtract.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/7z/7zHandler.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/7z/7zHeader.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/7z/7zIn.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/7z/7zProperties.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Archive/7z/7zRegister.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/Bcj2Coder.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/Bcj2Register.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/BcjCoder.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/BcjRegister.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/BranchMisc.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/BranchRegister.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/ByteSwap.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/CopyCoder.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/CopyRegister.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/DeltaFilter.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/Lzma2Decoder.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/Lzma2Register.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/LzmaDecoder.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Compress/LzmaRegister.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Crypto/7zAes.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Crypto/7zAesRegister.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Crypto/MyAes.cpp
  ${SEVENZIP_DIR}/CPP/7zip/Crypto/MyAesReg.cpp
  ${SEVENZIP_DIR}/CPP/7zip/UI/Common/ArchiveExtractCallback.cpp
  ${SEVENZIP_DIR}/CPP/7zip/UI/Common/ArchiveOpenCallback.cpp
  ${SEVENZIP_DIR}/CPP/7zip/UI/Common/Extract.cpp
  ${SEVENZIP_DIR}/CPP/7zip/UI/Common/ExtractingFilePath.cpp
  ${SEVENZIP_DIR}/CPP/7zip/UI/Common/LoadCodecs.cpp
  ${SEVENZIP_DIR}/CPP/7zip/UI/Common/OpenArchive.cpp
  ${SEVENZIP_DIR}/CPP/7zip/UI/Common/PropIDUtils.cpp
  ${SEVENZIP_DIR}/CPP/7zip/UI/Common/SetProperties.cpp
  ${SEVENZIP_DIR}/CPP/7zip/UI/Common/SortUtils.cpp
  ${SEVENZIP_DIR}/CPP/7zip/UI/Common/DefaultName.cpp
  ${SEVENZIP_DIR}/CPP/7zip/UI/Common/EnumDirItems.cpp
  ${SEVENZIP_DIR}/CPP/7zip/UI/Common/HashCalc.cpp
  # Needed once the library is linked whole (below); Windows/SystemInfo.cpp (the
  # system report of "7zz i") is left out for the same reason: it would need the
  # registry code and the benchmark.
  ${SEVENZIP_DIR}/CPP/7zip/Common/UniqBlocks.cpp
  ${SEVENZIP_DIR}/CPP/Windows/FileSystem.cpp
  # Ours: the interface identifiers (7-Zip leaves them to the using program).
  ${CMAKE_CURRENT_LIST_DIR}/sevenzip/InitGuids.cpp
)

add_library(sevenzip_objects STATIC ${SEVENZIP_SOURCES})
target_include_directories(sevenzip_objects PUBLIC ${SEVENZIP_DIR}/CPP ${SEVENZIP_DIR}/C)
target_compile_definitions(sevenzip_objects PUBLIC
  UNICODE _UNICODE Z7_EXTRACT_ONLY Z7_NO_REGISTRY Z7_DEVICE_FILE)
target_compile_options(sevenzip_objects PRIVATE -w -O2)
target_link_libraries(sevenzip_objects PUBLIC oleaut32 ole32 uuid)

# The archive formats and coders register themselves from static objects
# (7zRegister.cpp, LzmaRegister.cpp ...) that nothing references by name, so a
# plain static library would lose them at link time: every program links the
# whole library.
add_library(sevenzip INTERFACE)
target_link_libraries(sevenzip INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,sevenzip_objects>")
