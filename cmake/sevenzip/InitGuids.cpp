// Part of the sevenzip library target (not of 7-Zip's sources): defines the
// interface identifiers of 7-Zip's archive code once. 7-Zip leaves this to the
// program that uses its code (its own console and GUI programs include
// MyInitGuid.h in their main file); since the library is linked whole, the
// identifiers live here, beside the code that needs them. After MyInitGuid.h,
// the DEFINE_GUID declarations of the interface headers become definitions.
#include "Common/MyInitGuid.h"

#include "7zip/Archive/IArchive.h"
#include "7zip/ICoder.h"
#include "7zip/IPassword.h"
#include "7zip/IProgress.h"
#include "7zip/IStream.h"
#include "7zip/UI/Common/IFileExtractCallback.h"
