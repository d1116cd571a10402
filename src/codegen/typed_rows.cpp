#include "codegen/typed_rows.h"

#include "cheader/header_import.h"
#include "platform/utf8.h"

namespace vantorel {

const TypedPrototype* TypedPrototypeOf(const TypedPrototypes& typed, std::u16string_view exportName,
                                       std::u16string_view para) {
  const auto it = typed.find(exportName);
  if (it == typed.end()) return nullptr;
  const std::string count = std::to_string(it->second.parameters.size());
  return para == std::u16string(count.begin(), count.end()) ? &it->second : nullptr;
}

std::u16string_view ConventionLabel(CallingConvention convention) {
  switch (convention) {
    case CallingConvention::Cdecl: return u"CDECL";
    case CallingConvention::Stdcall: return u"STDCALL";
    case CallingConvention::Fastcall: return u"FASTCALL";
    default: return {};
  }
}

std::size_t ApplyDeclarations(FunctionRows& rows, const std::vector<CFunction>& functions, TypedPrototypes& typed,
                              Edition edition) {
  std::size_t filled = 0;
  for (FunctionRow& row : rows) {
    const std::string name = Utf8FromUtf16(row.exportName);
    const CFunction* f = FindDeclaration(functions, name);
    // Only the x86 edition's exports carry decorations that stand for a name.
    if (!f || (edition == Edition::X64 && f->name != name)) continue;
    const TypedPrototype prototype = MakeTypedPrototype(*f);
    const std::string count = std::to_string(prototype.parameters.size());
    row.parameters.assign(count.begin(), count.end());
    if (edition == Edition::X86 && !ConventionLabel(f->convention).empty()) row.convention = ConventionLabel(f->convention);
    if (row.comment.empty()) row.comment = Utf16FromUtf8(DeclarationComment(*f, prototype));
    typed.insert_or_assign(row.exportName, prototype);
    ++filled;
  }
  return filled;
}

}  // namespace vantorel
