// vantorel project: the project file of a freshly opened library.
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "cli/headers.h"
#include "cli/library_file.h"
#include "cli/output.h"
#include "codegen/project_file.h"
#include "codegen/typed_rows.h"

namespace vantorel::cli {

namespace fs = std::filesystem;

void RunProject(CommandRun& run) {
  const std::string& file = run.options().files.front();
  const std::vector<CFunction> declared = ImportRunHeaders(run);
  auto library = OpenLibraryFile(run, file, true);
  if (!library) return;
  std::error_code error;
  fs::path absolute = fs::absolute(PathFromArgument(file), error);
  if (error) absolute = PathFromArgument(file);
  const std::u16string sha1 = FingerprintOf(*library);
  if (sha1.empty()) {
    run.Fail(file, "cannot be read");
    return;
  }
  Session session = OpenedSession(run, *library, Utf16Path(ArgumentFromPath(absolute.lexically_normal())));
  ApplyDeclarations(session.rows, declared, session.typed);
  const std::string text = WriteProjectText(session.library.path, sha1, session.rows, &session.typed);
  FileWriter(run).Write(run.options().output.value_or("-"), text, file);
}

}  // namespace vantorel::cli
