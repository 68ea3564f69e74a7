// 7z extraction on 7-Zip's own archive code (UI/Common's Extract driver).
//
// Why it is set up this way:
// - Speed: the library does all the work. Its 7z decoder runs the coders of a
//   solid block (AES, LZMA, BCJ) on threads of their own and writes each item
//   straight to its file; our callback object answers every progress call with
//   S_OK and does nothing per byte.
// - Containment: whatever names an archive holds, nothing is written outside the
//   output folder. Full-path mode (not absolute-path mode) makes the library
//   rebuild every item path from its components: empty, "." and ".." components
//   are dropped, drive letters and colons become "_", leading separators (root,
//   UNC "\\server\share", "\\?\" prefixes) disappear, reserved device names get
//   a "_" prefix. Links are switched off entirely (symbolic links, junctions and
//   other reparse items stored in the archive, hard links), and so are alternate
//   data streams and stored security descriptors, so no item can redirect a
//   later write either. The tests show this with crafted archives.
// - Failures never escape as exceptions: everything the library throws is
//   caught here and becomes a result code and an error text.
#include "transfer/Extract.h"

#include <atomic>
#include <exception>
#include <new>

#include "7zip/UI/Common/Extract.h"
#include "7zip/UI/Common/LoadCodecs.h"
#include "Common/StringConvert.h"
#include "Windows/FileName.h"

#include "diagnostics/Logger.h"
#include "diagnostics/SendStats.h"
#include "platform/Handles.h"
#include "platform/Text.h"
#include "transfer/ExtractCallbackWebInstaller.h"

namespace {

void SendStatsErrorEvent(const std::wstring& eventType, const std::wstring& text) {
    CSendStats::SendErrorEvent(eventType, text);
}

std::atomic<Tools::ExtractErrorReporter> g_errorReporter{&SendStatsErrorEvent};

// The output folder as the library gets it: full, with its final separator, and
// in the long-path form ("\\?\C:\..." or "\\?\UNC\server\share\..."). The long
// form lifts the MAX_PATH limit, and it spares a second try of every file
// operation: for a plain path the library tries the plain form and, when that
// fails, the long form again, so each new file's "does it exist?" query ran
// twice (with a file system round trip each; many files make this count).
FString LibraryOutputDir(const std::wstring& outputFolder) {
    FString outputDir = us2fs(UString(outputFolder.c_str()));
    if (outputDir.IsEmpty()) return outputDir;  // the library takes the current folder
    NWindows::NFile::NName::NormalizeDirPathPrefix(outputDir);
    UString longForm;
    if (NWindows::NFile::NName::GetSuperPath(outputDir, longForm, false)) {
        outputDir = us2fs(longForm);
        NWindows::NFile::NName::NormalizeDirPathPrefix(outputDir);
    }
    return outputDir;
}

// Error texts name the folder the way the caller knows it: without the "\\?\" prefix.
void ShowPlainOutputDir(UString& errorMessage, const FString& outputDir) {
    if (errorMessage.IsEmpty() || !NWindows::NFile::NName::IsSuperPath(outputDir)) return;
    UString plain = fs2us(outputDir);
    NWindows::NFile::NName::If_IsSuperPath_RemoveSuperPrefix(plain);
    UString withoutSeparator = fs2us(outputDir);
    withoutSeparator.DeleteBack();
    UString plainWithoutSeparator = plain;
    plainWithoutSeparator.DeleteBack();
    errorMessage.Replace(withoutSeparator, plainWithoutSeparator);
}

// The fixed extraction settings.
void FillOptions(CExtractOptions& options, const std::wstring& outputFolder) {
    options.OutputDir = LibraryOutputDir(outputFolder);
    options.OutDirMode = NExtractOutDirMode::k_Direct;  // the folder as given, no "*" replacement
    options.PathMode = NExtract::NPathMode::kFullPaths;
    options.PathMode_Force = true;
    options.OverwriteMode = NExtract::NOverwriteMode::kOverwrite;
    options.OverwriteMode_Force = true;
    options.YesToAll = true;
    options.TestMode = false;
    options.StdInMode = false;
    options.StdOutMode = false;
    options.ElimDup.Val = false;
    options.ElimDup.Def = true;

    // No item may create a link, a reparse point, an alternate stream or a
    // security descriptor: each could point a later write outside the folder.
    CExtractNtOptions& nt = options.NtOptions;
    nt.SymLinks.Val = false;
    nt.SymLinks.Def = true;
    nt.HardLinks.Val = false;
    nt.HardLinks.Def = true;
    nt.AltStreams.Val = false;
    nt.AltStreams.Def = true;
    nt.NtSecurity.Val = false;
    nt.NtSecurity.Def = true;
    nt.ReplaceColonForAltStream = true;
    nt.WriteToAltStreamIfColon = false;
}

HRESULT CopyText(const wchar_t* text, std::wstring& out, bool& isText) {
    isText = true;
    try {
        out = text ? text : L"";
        return E_FAIL;
    } catch (...) {
        out.clear();  // even the copy failed
        return kExtractTextCopyFailed;
    }
}

HRESULT CopyTextA(const char* text, std::wstring& out, bool& isText) {
    isText = true;
    try {
        out = wi::AnsiToWide(text ? text : "");
        return E_FAIL;
    } catch (...) {
        out.clear();
        return kExtractTextCopyFailed;
    }
}

// Stores the error text (cut to 500 characters) for the caller.
void GiveErrorText(const UString& message, std::wstring* errorText) {
    if (!errorText || message.IsEmpty()) return;
    size_t length = message.Len();
    if (length > kExtractErrorTextMaxChars) length = kExtractErrorTextMaxChars;
    errorText->assign(message.Ptr(), length);
}

HRESULT RunExtraction(const std::wstring& archivePath, const std::wstring& outputFolder, const std::wstring& password,
                      UString& errorMessage) {
    // Codec set: the formats and coders compiled into the program.
    CCodecs* codecs = new CCodecs;
    CMyComPtr<IUnknown> codecsRef = codecs;
    HRESULT result = codecs->Load();
    if (result != S_OK) return result;

    wi::com_ptr<IFolderArchiveExtractCallback> callbackRef;
    CExtractCallbackWebInstaller* callback = new CExtractCallbackWebInstaller;
    callbackRef = static_cast<IFolderArchiveExtractCallback*>(callback);  // count 1: held until return
    if (!password.empty()) {
        result = callback->SetPassword(UString(password.c_str()));
        if (result != S_OK) return result;
    }

    CExtractOptions options;
    FillOptions(options, outputFolder);

    UStringVector archivePaths;
    UStringVector archivePathsFull;
    archivePaths.Add(UString(archivePath.c_str()));
    archivePathsFull.Add(UString(archivePath.c_str()));
    NWildcard::CCensorNode selection;
    selection.Add_Wildcard();  // every item
    CObjectVector<COpenType> types;  // no restriction: the format is detected
    CIntVector excludedFormats;
    CDecompressStat stat;

    bool libraryThrew = false;
    try {
        result = ::Extract(codecs, types, excludedFormats, archivePaths, archivePathsFull, selection, options,
                           callback, callback, callback,
                           nullptr,  // no extra hash: the 7z handler checks every item's CRC itself
                           errorMessage, stat);
    } catch (...) {
        libraryThrew = true;
        std::wstring text;
        bool isText = false;
        result = ExtractExceptionResult(text, isText);
        if (isText) errorMessage = text.c_str();  // otherwise: the text gathered so far
    }

    ShowPlainOutputDir(errorMessage, options.OutputDir);
    if (!libraryThrew) {
        if (callback->PasswordPending()) errorMessage += "passwordNotUsed";
        if (result == kExtractIncorrectPassword) errorMessage += "incorrectPassword";
    }
    return result;
}

}  // namespace

HRESULT ExtractExceptionResult(std::wstring& text, bool& isText) noexcept {
    isText = false;
    try {
        throw;
    } catch (const UString& s) {
        return CopyText(s.Ptr(), text, isText);
    } catch (const AString& s) {
        return CopyTextA(s.Ptr(), text, isText);
    } catch (const wchar_t* s) {
        return CopyText(s, text, isText);
    } catch (const char* s) {
        return CopyTextA(s, text, isText);
    } catch (const std::exception& e) {
        return CopyTextA(e.what(), text, isText);
    } catch (...) {
        // CSystemException and anything else: no text of its own.
        return E_FAIL;
    }
}

HRESULT Extract7zArchive(const std::wstring& archivePath, const std::wstring& outputFolder,
                         const std::wstring& password, std::wstring* errorText) {
    try {
        UString errorMessage;
        HRESULT result = RunExtraction(archivePath, outputFolder, password, errorMessage);
        if (!errorMessage.IsEmpty()) {
            GiveErrorText(errorMessage, errorText);
            if (result == S_OK) result = E_FAIL;
        }
        return result;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

namespace Tools {

std::wstring ExtractErrorEventText(const std::wstring& archivePath, const std::wstring& errorText) {
    return L"unpackPackage_Extract7zArchive_" + archivePath + L", err = " + errorText;
}

ExtractErrorReporter SetExtractErrorReporter(ExtractErrorReporter reporter) {
    return g_errorReporter.exchange(reporter ? reporter : &SendStatsErrorEvent);
}

bool Extract(const std::wstring& archivePath, const std::wstring& outputFolder, const std::wstring& password) {
    Logger::Write(UTILS, INF, L"%ls source[%ls], output path [%ls]", L"Tools::Extract", archivePath.c_str(),
                  outputFolder.c_str());
    std::wstring errorText;
    HRESULT result = Extract7zArchive(archivePath, outputFolder, password, &errorText);
    if (result != S_OK) {
        try {
            g_errorReporter.load()(L"error", ExtractErrorEventText(archivePath, errorText));
        } catch (...) {
            // Reporting never turns a failed extraction into an exception.
        }
    }
    Logger::Write(UTILS, INF, L"%ls finish [%ls], source[%ls]", L"Tools::Extract",
                  result == S_OK ? L"success" : L"fail", archivePath.c_str());
    return result == S_OK;
}

}  // namespace Tools
