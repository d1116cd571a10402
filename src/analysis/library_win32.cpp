#include "analysis/library_win32.h"

#include <algorithm>

#include "analysis/exports.h"
#include "analysis/pe_check.h"
#include "analysis/pe_check_win32.h"
#include "analysis/version_info_win32.h"
#include "platform/prompts_win32.h"
#include "platform/readable_memory_win32.h"
#include "platform/text_win32.h"

namespace vantorel {

namespace {

std::u16string FromAnsi(const std::string& bytes) {
  if (bytes.empty()) return {};
  // Every ANSI code page keeps ASCII as it is, and nearly every export name
  // is ASCII: those need no conversion call and no second copy.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::u16string(bytes.begin(), bytes.end());
  const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return {};
  std::u16string text(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), reinterpret_cast<wchar_t*>(text.data()), n);
  return text;
}

// The folder part of a path, up to and including its last separator.
std::wstring FolderOf(const std::wstring& path) {
  const std::size_t at = path.find_last_of(L"\\/");
  return at == std::wstring::npos ? std::wstring() : path.substr(0, at + 1);
}

// A library is only read, never run: mapped as an image (its sections at
// their RVAs, as the export and resource tables address them) with no
// import resolved, no entry point and no TLS callback called. A library's
// code could do anything inside this process.
constexpr DWORD kMapWithoutRunning = LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE;

// The mapping is made for a library of either kind, where running it would
// need the edition's own: the other kind is refused as the system refuses
// to load it, so the tool keeps answering as it always has (path and
// version strings, no exports).
HMODULE MapOwnKind(const std::wstring& path) {
  HMODULE library = LoadLibraryExW(path.c_str(), nullptr, kMapWithoutRunning);
  if (!library) return nullptr;
  const auto headers = ReadPeHeaders(ViewLoadedImage(library));
  if (headers && headers->is64 == kEditionTraits.opensPe32Plus) return library;
  FreeLibrary(library);
  return nullptr;
}

// The walk of a mapped library. Its kind comes from its own
// headers; without readable ones, the kind the edition opens.
ExportTable WalkLoadedExports(HMODULE library, bool rowsAreSlots) {
  const ImageView image = ViewLoadedImage(library);
  const auto headers = ReadPeHeaders(image);
  const bool pe32 = headers ? !headers->is64 : !kEditionTraits.opensPe32Plus;
  return ExportTable(ListExports(image), pe32, rowsAreSlots);
}

std::vector<std::u16string> NamesOf(const ExportTable& exports) {
  std::vector<std::u16string> names;
  names.reserve(exports.size());
  for (const ExportEntry& e : exports.entries()) names.push_back(FromAnsi(e.name));
  return names;
}

}  // namespace

void ReleaseLibrary(LibraryState& library) {
  if (library.LibraryHandle) FreeLibrary(library.LibraryHandle);
  library.LibraryHandle = nullptr;
  library.ModuleBase = 0;
  library.LibraryInfo.libraryHandle = nullptr;
  library.LibraryInfo.moduleBase = 0;
  library.Exports.reset();
}

std::uintptr_t ImageBaseOf(HMODULE library) {
  // The handle of a mapping made for reading carries flags in its low bits.
  return reinterpret_cast<std::uintptr_t>(library) & ~std::uintptr_t{3};
}

ImageView ViewLoadedImage(HMODULE library) {
  const auto* base = reinterpret_cast<const void*>(ImageBaseOf(library));
  if (!base) return {};
  // The headers' SizeOfImage, read from the readable start of the mapping
  // and cut to what is really mapped there.
  const std::size_t mapped = AllocationSize(base);
  const std::vector<MemoryRange> unreadable = UnreadableRanges(base, mapped);
  const std::size_t readable = unreadable.empty() ? mapped : unreadable.front().offset;
  const auto claimed = ReadSizeOfImage(ByteReader(base, readable));
  if (!claimed) return {};
  const std::size_t size = std::min<std::size_t>(*claimed, mapped);
  ImageView image(base, size);
  // A section may be mapped no-access: the view learns every such range, so
  // a walk over it fails there instead of faulting.
  for (const MemoryRange& r : unreadable) {
    if (r.offset < size) image.MarkUnreadable(r.offset, std::min(r.length, size - r.offset));
  }
  return image;
}

std::vector<std::u16string> ListLoadedExports(HMODULE library) {
  return NamesOf(WalkLoadedExports(library, false));
}

const ExportTable& OpenLibraryExports(LibraryState& library) {
  if (!library.Exports) library.Exports = WalkLoadedExports(library.LibraryHandle, false);
  return *library.Exports;
}

bool AcceptDroppedLibrary(const std::wstring& path) {
  if (!kEditionTraits.checksDroppedFiles) return true;
  const int check = CheckPeFile(path);
  if (check != kPe32 && check != kPe32Plus) return true;
  if (check == AcceptedPeKind()) return true;
  ShowError(ToWide(PeCheckMessage(check)));
  return false;
}

void SetLibraryPath(LibraryState& library, const std::wstring& path) {
  library.CurrentPath = path;
  library.LibraryInfo.path = ToU16(path);
  const std::wstring folder = FolderOf(path);
  if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
}

void LoadCurrentLibrary(LibraryState& library) {
  const std::wstring& path = library.CurrentPath;
  library.LibraryHandle = path.empty() ? nullptr : MapOwnKind(path);
  library.ModuleBase = ImageBaseOf(library.LibraryHandle);
  library.LibraryInfo.libraryHandle = library.LibraryHandle;
  library.LibraryInfo.moduleBase = library.ModuleBase;
  library.Exports.reset();
}

std::vector<std::u16string> LoadLibraryFile(LibraryState& library, const std::wstring& requested,
                                            const std::function<void()>& forgetResources) {
  ReleaseLibrary(library);

  std::wstring path = requested;
  if (path.empty()) {
    path = CurrentPrompts().AskOpenFile(GetActiveWindow(), L"Load DLL", L"", kLibraryFilter);
    if (!path.empty()) {
      const int check = CheckPeFile(path);
      if (check != AcceptedPeKind()) {
        ShowError(ToWide(PeCheckMessage(check)));
        path.clear();
      }
    }
  }

  SetLibraryPath(library, path);
  if (forgetResources) forgetResources();
  LoadCurrentLibrary(library);
  // The rows are made from this walk, one per slot in slot order; the
  // entries stay for the tips.
  library.Exports = WalkLoadedExports(library.LibraryHandle, true);
  if (!path.empty()) library.LibraryInfo.versionStrings = ReadVersionStrings(path);
  return NamesOf(*library.Exports);
}

}  // namespace vantorel
