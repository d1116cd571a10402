// The two editions built from this source: Vantorel.exe for 64-bit (PE32+)
// libraries and Vantorel_x86.exe for 32-bit (PE32) ones. A library is opened
// in the tool's own process, where the generated source will load it, so
// each edition opens its own kind only.
// Which edition a build is follows from the target's pointer size; every
// difference between the two is read from here, nowhere else.
#pragma once

#include <string_view>

namespace vantorel {

enum class Edition { X64, X86 };

inline constexpr Edition kEdition = sizeof(void*) == 8 ? Edition::X64 : Edition::X86;

struct EditionTraits {
  bool opensPe32Plus;                // the optional-header kind of the libraries it opens
  std::u16string_view wrongKind;     // told to a user who brings the other kind
  std::u16string_view name;          // the program's name in the title
  std::u16string_view windowsName;   // the platform the About message names
  std::u16string_view conventions;   // the Conv cell's choices, one per line
  std::u16string_view convention;    // the Conv of a freshly listed export
  // A 64-bit library dropped on the x86 edition is named as such: opening
  // refuses it without a word. The 64-bit edition opens dropped files
  // unchecked, as it always has.
  bool checksDroppedFiles;
};

constexpr EditionTraits TraitsOf(Edition edition) {
  if (edition == Edition::X86) {
    return {false,          u"Isn't a valid 32Bit-File\nuse Vantorel.exe",
            u"Vantorel x86", u"32-bit Windows (x86 edition)",
            u"STDCALL\nCDECL", u"STDCALL",
            true};
  }
  return {true,       u"Isn't a valid 64Bit-File\nuse Vantorel_x86.exe",
          u"Vantorel", u"64-bit Windows",
          u"FASTCALL", u"FASTCALL",
          false};
}

inline constexpr EditionTraits kEditionTraits = TraitsOf(kEdition);

}  // namespace vantorel
