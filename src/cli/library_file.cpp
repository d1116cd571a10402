#include "cli/library_file.h"

#include <system_error>

#include "analysis/file_facts.h"
#include "analysis/file_image.h"
#include "platform/pe_limits.h"

namespace vantorel::cli {

namespace fs = std::filesystem;

namespace {

std::unique_ptr<FileByteSource> OpenFile(CommandRun& run, const std::string& argument) {
  const fs::path path = PathFromArgument(argument);
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error || !fs::exists(status)) {
    run.Fail(argument, "cannot be opened: no such file");
    return nullptr;
  }
  if (fs::is_directory(status)) {
    run.Fail(argument, "is a folder, not a file");
    return nullptr;
  }
  auto file = std::make_unique<FileByteSource>(path);
  if (!file->IsOpen()) {
    run.Fail(argument, "cannot be opened for reading");
    return nullptr;
  }
  if (!file->HasSize()) {
    run.Fail(argument, "cannot be read");
    return nullptr;
  }
  if (file->Size() > kMaxLibraryFileSize) {
    run.Fail(argument, "is larger than 1 GiB; not a library this tool reads");
    return nullptr;
  }
  return file;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeFile(CommandRun& run, const std::string& argument) {
  auto file = OpenFile(run, argument);
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file->Size()));
  if (file->ReadAt(0, bytes) != bytes.size()) {
    run.Fail(argument, "cannot be read");
    return std::nullopt;
  }
  return bytes;
}

std::optional<LibraryFile> OpenLibraryFile(CommandRun& run, const std::string& argument, bool walkExports) {
  LibraryFile library;
  library.argument = argument;
  library.source = OpenFile(run, argument);
  if (!library.source) return std::nullopt;
  library.reader = std::make_unique<SourceReader>(*library.source);
  auto unreadable = [&] {
    run.Fail(argument, "cannot be read");
    return std::nullopt;
  };

  PeHeaderScan scan = ScanPeHeaders(*library.reader);
  if (library.reader->failed()) return unreadable();
  std::string_view reason;
  library.check = ClassifyPeImage(scan, library.size(), &reason);
  if (library.check == kPeInvalid) {
    run.Fail(argument, "not a PE file: " + std::string(reason));
    return std::nullopt;
  }
  if (scan.fault != PeHeaderFault::None) {
    run.Fail(argument, "damaged: the PE headers are cut off");
    return std::nullopt;
  }
  library.headers = std::move(scan.headers);
  if (!walkExports) return library;

  if (library.headers.sizeOfImage == 0) {
    run.Fail(argument, "damaged: the image cannot be laid out (SizeOfImage is 0)");
    return std::nullopt;
  }
  ExportListing listing = WalkExports(FileImage(*library.reader, library.headers));
  if (library.reader->failed()) return unreadable();
  if (listing.fault != ExportFault::None) {
    run.Fail(argument, "damaged: " + std::string(DescribeExportFault(listing.fault)));
    return std::nullopt;
  }
  library.exports = std::move(listing.entries);
  return library;
}

std::u16string FingerprintOf(const LibraryFile& library) {
  std::uint64_t offset = 0;
  return FingerprintStream([&](std::uint8_t* buffer, std::size_t capacity) -> std::int64_t {
    const std::size_t got = library.source->ReadAt(offset, {buffer, capacity});
    offset += got;
    // Short of the size taken at opening is a failed read, not the end.
    if (got < capacity && offset < library.size()) return -1;
    return static_cast<std::int64_t>(got);
  });
}

Session OpenedSession(const CommandRun& run, LibraryFile& library, std::u16string path) {
  LibraryInfo facts;
  facts.path = std::move(path);
  facts.size = static_cast<std::int64_t>(library.size());
  return OpenedLibrarySession(std::move(facts), ExportTable(std::move(library.exports), library.check == kPe32, true),
                              [&run](std::string_view bytes) { return run.Decode(bytes); });
}

}  // namespace vantorel::cli
