#include "codegen/session.h"

#include <utility>

namespace vantorel {

Session OpenedLibrarySession(LibraryInfo library, ExportTable exports, const ExportNameDecoder& decode) {
  Session session;
  session.library = std::move(library);
  session.rows = MakeFunctionRows(exports.entries(), decode);
  session.exports = std::move(exports);
  return session;
}

}  // namespace vantorel
