// vantorel source: the loader source of each library, or of a project.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <system_error>
#include <utility>

#include "analysis/file_facts.h"
#include "cli/commands.h"
#include "cli/headers.h"
#include "cli/library_file.h"
#include "cli/output.h"
#include "codegen/project_file.h"
#include "codegen/row_filter.h"
#include "codegen/session.h"
#include "codegen/source_file.h"
#include "codegen/source_generator.h"
#include "codegen/source_names.h"
#include "codegen/typed_rows.h"

namespace vantorel::cli {

namespace fs = std::filesystem;

namespace {

bool IsUsableLibraryFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error) && fs::file_size(path, error) > 0 && !error;
}

std::u16string FingerprintOfPath(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::error_code error;
  if (!in || fs::is_directory(path, error)) return {};
  return FingerprintStream([&in](std::uint8_t* buffer, std::size_t capacity) -> std::int64_t {
    in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(capacity));
    if (in.bad()) return -1;
    return static_cast<std::int64_t>(in.gcount());
  });
}

}  // namespace

void RunSource(CommandRun& run) {
  FileWriter writer(run);
  std::set<fs::path> written;  // -d: two libraries of one base name must not overwrite each other
  const std::vector<CFunction> declared = ImportRunHeaders(run);
  const RowFilter only = PatternFilter(run.options().only);
  const RowFilter except = PatternFilter(run.options().except);
  auto emit = [&](const std::string& file, Session session) {
    ApplyDeclarations(session.rows, declared, session.typed);
    // After the header: its comments are there to be matched.
    if (!only.ShowsAll() || !except.ShowsAll())
      TickOnlyAndExcept(session.rows, only, except, UndecoratedNames(session.rows, nullptr));
    const std::u16string& libraryPath = session.library.path;
    const FunctionRows& rows = session.rows;
    const LoaderNames names = NameLoaderRows(rows, libraryPath);
    // The rows whose source differs from what the table says, told per
    // library; the source is as good as ever, so the status stays.
    if (names.renamed > 0 || names.leftOut > 0) {
      run.console().Err(std::string(kProgram) + ": " + file + ": PureBasic's naming rules: " +
                        std::to_string(names.renamed) + (names.renamed == 1 ? " row" : " rows") + " renamed, " +
                        std::to_string(names.leftOut) + " left out\n");
    }
    const std::u16string text = BuildSourceText(rows, names, libraryPath, kEdition, &session.typed);
    if (text.empty()) {
      run.Fail(file, rows.empty()                              ? "exports nothing; no source written"
                     : names.written == 0 && names.leftOut == 0 ? "no row is ticked; no source written"
                     : names.written == 0 ? "no ticked row has a name a loader can fetch; no source written"
                                          : "its file name cannot stand in a PureBasic string; no source written");
      return;
    }
    const std::string bytes = EncodeSourceText(text);
    if (!run.options().dir) {
      writer.Write(run.options().output.value_or("-"), bytes, file);
      return;
    }
    const fs::path target =
        PathFromArgument(*run.options().dir) / PathFromArgument(Utf8(SourceBaseName(libraryPath)) + ".pbi");
    const std::string targetText = ArgumentFromPath(target);
    if (!written.insert(target.lexically_normal()).second) {
      run.Fail(file, targetText + " was already written in this run; not replaced");
      return;
    }
    if (writer.Write(targetText, bytes, file)) run.console().Out(file + " -> " + targetText + "\n");
  };

  if (run.options().dir) {
    std::error_code error;
    fs::create_directories(PathFromArgument(*run.options().dir), error);
    if (!fs::is_directory(PathFromArgument(*run.options().dir), error)) {
      run.Fail(*run.options().dir, "the output folder cannot be made");
      return;
    }
  }

  if (!run.options().project) {
    for (const std::string& file : run.options().files) {
      if (auto library = OpenLibraryFile(run, file, true)) emit(file, OpenedSession(run, *library, Utf16Path(file)));
    }
    return;
  }

  const std::string& projectArgument = *run.options().project;
  auto bytes = ReadWholeFile(run, projectArgument);
  if (!bytes) return;
  auto content = ReadProjectText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  if (!content) {
    run.Fail(projectArgument, "not a project file (too large or too many rows)");
    return;
  }
  // The stored library, or the one named on the command line: the answer the
  // window's "load from other location?" question would get.
  const std::string stored = Utf8(content->dll);
  if (!IsUsableLibraryFile(PathFromArgument(stored))) {
    run.Warn(stored.empty() ? projectArgument + " names no library"
                        : stored + " was moved or deleted" +
                              (run.options().files.empty() ? std::string() : "; using " + run.options().files.front()));
  }
  const std::string library = run.options().files.empty() ? stored : run.options().files.front();
  if (library.empty()) {
    run.Fail(projectArgument, "names no library; give the library's file after the options");
    return;
  }
  Session session;
  session.library.path = Utf16Path(library);
  session.rows = std::move(content->rows);
  session.typed = std::move(content->typed);
  session.projectPath = Utf16Path(projectArgument);
  if (FingerprintOfPath(PathFromArgument(library)) != content->sha1)
    run.Warn(Utf8(SourceFilePart(session.library.path)) + " was changed since the project was saved");
  emit(library, std::move(session));
}

}  // namespace vantorel::cli
