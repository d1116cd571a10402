// Writes the malformed and hostile files the parsers are tested against:
//   - 512-byte header files for the PE check (short, bad signatures, offsets
//     at and past the end, odd magic, not executable, minimal valid ones);
//   - PE32+ libraries whose export or resource directory sets a trap deep
//     inside an otherwise valid image (huge counts, offsets past the end,
//     unterminated names, loops), each next to a valid control file built
//     the same way;
//   - raw version-resource blobs with broken lengths;
//   - run-length compressed bitmaps that claim far more than their stream
//     can paint (bombs), as packed DIBs;
//   - menu and dialog templates the platform would walk past their end, or
//     walk differently than a naive reader, as raw blobs and inside one
//     library together with the menus and pictures they name.
// tests/data/README.md lists every file with what a correct parser does.
//
// The hostile libraries use one page (0x1000) for file and section
// alignment, so every file offset equals its RVA: the file's bytes can be
// used directly as the mapped image.
//
// Usage: make_malformed <output directory>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Set16(Bytes& b, std::size_t at, std::uint32_t v) {
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
    Set16(b, at, v & 0xFFFF);
    Set16(b, at + 2, v >> 16);
}
void Set64(Bytes& b, std::size_t at, std::uint64_t v) {
    Set32(b, at, static_cast<std::uint32_t>(v));
    Set32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}
void SetBytes(Bytes& b, std::size_t at, const void* p, std::size_t n) {
    if (b.size() < at + n) b.resize(at + n);
    std::memcpy(b.data() + at, p, n);
}
void SetText(Bytes& b, std::size_t at, const char* s, bool terminate = true) {
    SetBytes(b, at, s, std::strlen(s) + (terminate ? 1 : 0));
}

bool g_ok = true;
std::string g_dir;

void Write(const std::string& name, const Bytes& data) {
    const std::string path = g_dir + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make_malformed: cannot write %s\n", path.c_str());
        g_ok = false;
        return;
    }
    if (std::fwrite(data.data(), 1, data.size(), f) != data.size()) g_ok = false;
    if (std::fclose(f) != 0) g_ok = false;
}

// ---- Headers for the PE check -------------------------------------------------

constexpr std::uint32_t kLfanew = 0x80;
constexpr std::size_t kSig = kLfanew;             // "PE\0\0"
constexpr std::size_t kCoff = kLfanew + 4;        // COFF file header
constexpr std::size_t kOpt = kLfanew + 4 + 20;    // optional header
constexpr std::uint16_t kCharacteristicsDll64 = 0x2022;  // executable, large address aware, DLL
constexpr std::uint16_t kCharacteristicsDll32 = 0x2102;  // executable, 32-bit machine, DLL

void DosHeader(Bytes& b, std::uint32_t lfanew) {
    SetText(b, 0, "MZ", false);
    Set32(b, 0x3C, lfanew);
}

// Fills the optional header fields a loader looks at; data directories stay
// zero unless the caller sets them.
void OptionalHeader64(Bytes& b, std::uint32_t sectionAlign, std::uint32_t fileAlign,
                      std::uint32_t sizeOfImage, std::uint32_t sizeOfHeaders) {
    Set16(b, kOpt + 0, 0x20B);
    Set64(b, kOpt + 24, 0x6F0000000ull);  // ImageBase
    Set32(b, kOpt + 32, sectionAlign);
    Set32(b, kOpt + 36, fileAlign);
    Set16(b, kOpt + 40, 6);  // OS version 6.0
    Set16(b, kOpt + 48, 6);  // subsystem version 6.0
    Set32(b, kOpt + 56, sizeOfImage);
    Set32(b, kOpt + 60, sizeOfHeaders);
    Set16(b, kOpt + 68, 2);  // GUI subsystem
    Set64(b, kOpt + 72, 0x100000);
    Set64(b, kOpt + 80, 0x1000);
    Set64(b, kOpt + 88, 0x100000);
    Set64(b, kOpt + 96, 0x1000);
    Set32(b, kOpt + 108, 16);  // NumberOfRvaAndSizes
}

// 512 bytes: DOS header, PE signature, COFF header and a full PE32+ optional
// header without sections.
Bytes Header64() {
    Bytes b(512, 0);
    DosHeader(b, kLfanew);
    SetBytes(b, kSig, "PE\0\0", 4);
    Set16(b, kCoff + 0, 0x8664);
    Set16(b, kCoff + 16, 0xF0);
    Set16(b, kCoff + 18, kCharacteristicsDll64);
    OptionalHeader64(b, 0x1000, 0x200, 0x1000, 0x200);
    return b;
}

Bytes Header32() {
    Bytes b(512, 0);
    DosHeader(b, kLfanew);
    SetBytes(b, kSig, "PE\0\0", 4);
    Set16(b, kCoff + 0, 0x14C);
    Set16(b, kCoff + 16, 0xE0);
    Set16(b, kCoff + 18, kCharacteristicsDll32);
    Set16(b, kOpt + 0, 0x10B);
    Set32(b, kOpt + 28, 0x10000000);  // ImageBase
    Set32(b, kOpt + 32, 0x1000);
    Set32(b, kOpt + 36, 0x200);
    Set16(b, kOpt + 40, 6);
    Set16(b, kOpt + 48, 6);
    Set32(b, kOpt + 56, 0x1000);
    Set32(b, kOpt + 60, 0x200);
    Set16(b, kOpt + 68, 2);
    Set32(b, kOpt + 72, 0x100000);
    Set32(b, kOpt + 76, 0x1000);
    Set32(b, kOpt + 80, 0x100000);
    Set32(b, kOpt + 84, 0x1000);
    Set32(b, kOpt + 92, 16);
    return b;
}

// A file whose PE signature sits `tail` bytes before the end of 512 bytes:
// the fields after it are cut off by the end of the file.
Bytes SignatureNearEnd(std::uint32_t tail) {
    Bytes b(512, 0);
    const std::uint32_t at = 512 - tail;
    DosHeader(b, at);
    SetBytes(b, at, "PE\0\0", 4);
    return b;
}

void WriteHeaderFiles() {
    Write("empty.bin", {});
    Write("header_pe32plus.bin", Header64());
    Write("header_pe32.bin", Header32());

    Bytes shortFile = Header64();
    shortFile.resize(511);
    Write("short_511.bin", shortFile);

    Bytes badMz = Header64();
    SetText(badMz, 0, "ZM", false);
    Write("bad_mz.bin", badMz);

    // Only the last byte differs: a check of "PE" alone accepts it.
    Bytes badPe = Header64();
    SetBytes(badPe, kSig, "PE\0\1", 4);
    Write("bad_pe_signature.bin", badPe);

    // e_lfanew = length - 4: the signature fits, Characteristics and Magic
    // lie past the end and read as 0.
    Write("lfanew_len_minus_4.bin", SignatureNearEnd(4));

    // e_lfanew = length - 3: the signature cannot fit.
    Bytes minus3(512, 0);
    DosHeader(minus3, 509);
    SetBytes(minus3, 509, "PE\0", 3);
    Write("lfanew_len_minus_3.bin", minus3);

    // Magic is the last word of the file: nothing after it is needed.
    Bytes magicLast = SignatureNearEnd(0x1A);
    Set16(magicLast, 512 - 0x1A + 0x16, kCharacteristicsDll64);
    Set16(magicLast, 512 - 0x1A + 0x18, 0x20B);
    Write("magic_at_end.bin", magicLast);

    // Only the low byte of Magic (0x0B) is in the file; the missing high
    // byte reads as 0, giving 0x000B.
    Bytes magicCut = SignatureNearEnd(0x19);
    Set16(magicCut, 512 - 0x19 + 0x16, kCharacteristicsDll64);
    magicCut[511] = 0x0B;
    Write("magic_cut_off.bin", magicCut);

    // Top bit set: negative as a signed value, huge as an unsigned one.
    Bytes negative = Header64();
    Set32(negative, 0x3C, 0x80000080u);
    Write("lfanew_negative.bin", negative);

    Bytes rom = Header64();
    Set16(rom, kOpt, 0x0107);
    Write("magic_rom.bin", rom);

    Bytes notExecutable = Header64();
    Set16(notExecutable, kCoff + 18, kCharacteristicsDll64 & ~0x0002);
    Write("not_executable.bin", notExecutable);
}

// ---- PE32+ images with sections ------------------------------------------------

constexpr std::uint32_t kPage = 0x1000;
constexpr std::uint32_t kTextRva = 0x1000;  // four one-byte functions (ret)
constexpr std::uint32_t kDataRva = 0x2000;  // the export or resource directory
constexpr std::uint32_t kImageSize = 0x3000;

enum Directory { kExportDir = 0, kResourceDir = 2 };

// Headers page, a code page and one data page holding `data` (padded with
// `fill`). The data page is the last section, so it ends where the file and
// the image end.
Bytes Image64(Directory dir, const Bytes& data, std::uint32_t dirSize, std::uint8_t fill) {
    Bytes b(kImageSize, 0);
    DosHeader(b, kLfanew);
    SetBytes(b, kSig, "PE\0\0", 4);
    Set16(b, kCoff + 0, 0x8664);
    Set16(b, kCoff + 2, 2);  // NumberOfSections
    Set16(b, kCoff + 16, 0xF0);
    Set16(b, kCoff + 18, kCharacteristicsDll64);
    OptionalHeader64(b, kPage, kPage, kImageSize, kPage);
    Set32(b, kOpt + 4, kPage);      // SizeOfCode
    Set32(b, kOpt + 8, kPage);      // SizeOfInitializedData
    Set32(b, kOpt + 20, kTextRva);  // BaseOfCode
    Set32(b, kOpt + 112 + 8 * dir, kDataRva);
    Set32(b, kOpt + 112 + 8 * dir + 4, dirSize);

    const std::size_t sections = kOpt + 0xF0;
    const char* dataName = dir == kExportDir ? ".edata" : ".rsrc";
    struct {
        const char* name;
        std::uint32_t rva, characteristics;
    } const table[] = {{".text", kTextRva, 0x60000020u}, {dataName, kDataRva, 0x40000040u}};
    for (int i = 0; i < 2; ++i) {
        const std::size_t h = sections + 40 * i;
        SetText(b, h, table[i].name, false);
        Set32(b, h + 8, kPage);               // VirtualSize
        Set32(b, h + 12, table[i].rva);       // VirtualAddress
        Set32(b, h + 16, kPage);              // SizeOfRawData
        Set32(b, h + 20, table[i].rva);       // PointerToRawData
        Set32(b, h + 36, table[i].characteristics);
    }
    for (std::uint32_t i = 0; i < 4; ++i) b[kTextRva + i] = 0xC3;
    std::memset(b.data() + kDataRva, fill, kPage);
    SetBytes(b, kDataRva, data.data(), data.size());
    return b;
}

// The control export table, laid out in the data page (offsets are from the
// page start; RVA = 0x2000 + offset). Four address slots, slot 2 empty, three
// names: Alpha -> slot 0, Beta -> slot 1, Gamma -> slot 3. The rest of the
// page is 0xFF, so reading past the real tables finds name RVAs and ordinals
// that are out of range rather than plausible zeros.
namespace exp {
constexpr std::uint32_t kDir = 0x000;
constexpr std::uint32_t kEat = 0x040;
constexpr std::uint32_t kOrdinals = 0x060;
constexpr std::uint32_t kDllName = 0x080;
constexpr std::uint32_t kAlpha = 0x0A0, kBeta = 0x0B0, kGamma = 0x0C0;
constexpr std::uint32_t kNames = 0x100;
constexpr std::uint32_t kEnd = 0x10C;
// Field offsets inside the directory.
constexpr std::uint32_t kNumberOfFunctions = 20, kNumberOfNames = 24;
constexpr std::uint32_t kAddressOfFunctions = 28, kAddressOfNames = 32;
}  // namespace exp

Bytes ExportTable() {
    using namespace exp;
    Bytes d(kEnd, 0xFF);
    std::memset(d.data(), 0, 40);
    Set32(d, kDir + 12, kDataRva + kDllName);
    Set32(d, kDir + 16, 1);  // Base
    Set32(d, kDir + kNumberOfFunctions, 4);
    Set32(d, kDir + kNumberOfNames, 3);
    Set32(d, kDir + kAddressOfFunctions, kDataRva + kEat);
    Set32(d, kDir + kAddressOfNames, kDataRva + kNames);
    Set32(d, kDir + 36, kDataRva + kOrdinals);
    const std::uint32_t eat[] = {kTextRva, kTextRva + 1, 0, kTextRva + 3};
    for (int i = 0; i < 4; ++i) Set32(d, kEat + 4 * i, eat[i]);
    const std::uint16_t ordinals[] = {0, 1, 3};
    const std::uint32_t names[] = {kAlpha, kBeta, kGamma};
    for (int i = 0; i < 3; ++i) {
        Set16(d, kOrdinals + 2 * i, ordinals[i]);
        Set32(d, kNames + 4 * i, kDataRva + names[i]);
    }
    SetText(d, kDllName, "exports.dll");
    SetText(d, kAlpha, "Alpha");
    SetText(d, kBeta, "Beta");
    SetText(d, kGamma, "Gamma");
    return d;
}

Bytes ExportImage(const Bytes& table) { return Image64(kExportDir, table, exp::kEnd, 0xFF); }

void WriteExportFiles() {
    using namespace exp;
    Write("exports_valid.dll", ExportImage(ExportTable()));

    Bytes t = ExportTable();
    Set32(t, kNumberOfFunctions, 0);
    Write("exports_count_zero.dll", ExportImage(t));

    // Times four this wraps to 0xFFFFFFFC in 32 bits.
    t = ExportTable();
    Set32(t, kNumberOfFunctions, 0xFFFFFFFFu);
    Write("exports_count_huge.dll", ExportImage(t));

    // Times four this wraps to 4 in 32 bits, so a 32-bit bounds check passes.
    t = ExportTable();
    Set32(t, kNumberOfNames, 0x40000001u);
    Write("exports_names_count_huge.dll", ExportImage(t));

    // Beta's name starts at the first byte past the image, Gamma's so close
    // to 2^32 that adding its length wraps.
    t = ExportTable();
    Set32(t, kNames + 4, kImageSize);
    Set32(t, kNames + 8, 0xFFFFFFFEu);
    Write("exports_name_outside_image.dll", ExportImage(t));

    // Gamma's name fills the last 16 bytes of the image with no terminator.
    Bytes img = ExportImage(ExportTable());
    SetText(img, kImageSize - 16, "GammaGammaGamma!", false);
    Set32(img, kDataRva + kNames + 8, kImageSize - 16);
    Write("exports_name_unterminated.dll", img);

    // Beta's ordinal indexes far past the four address slots.
    t = ExportTable();
    Set16(t, kOrdinals + 2, 0xFFFF);
    Write("exports_ordinal_out_of_range.dll", ExportImage(t));

    // The address table starts at 0x80000000 (negative as a signed value).
    t = ExportTable();
    Set32(t, kAddressOfFunctions, 0x80000000u);
    Write("exports_functions_outside.dll", ExportImage(t));

    // The name table starts 4 bytes before 2^32.
    t = ExportTable();
    Set32(t, kAddressOfNames, 0xFFFFFFFCu);
    Write("exports_names_outside.dll", ExportImage(t));

    // Directory in the header page, outside every section; a copy of the
    // control directory sits there, so a walk that skips the section test
    // finds Alpha, Beta and Gamma.
    img = ExportImage(ExportTable());
    const std::uint32_t inHeaders = 0x400;
    std::memcpy(img.data() + inHeaders, img.data() + kDataRva, 40);
    Set32(img, kOpt + 112, inHeaders);
    Write("exports_dir_in_headers.dll", img);

    // Directory RVA far beyond the image.
    img = ExportImage(ExportTable());
    Set32(img, kOpt + 112, 0x00100000);
    Write("exports_dir_past_image.dll", img);

    // Directory starts inside the last section but its 40 bytes run 24 bytes
    // past the end of the image.
    img = ExportImage(ExportTable());
    Set32(img, kOpt + 112, kImageSize - 16);
    Write("exports_dir_straddles_end.dll", img);
}

// The control image grown by a page: `.noread` at RVA 0x3000, whose
// characteristics grant neither read, write nor execute, so the loader maps
// it no-access and any read there faults. Its bytes are 0xFF.
constexpr std::uint32_t kNoReadRva = kImageSize;

Bytes WithNoAccessPage(Bytes img) {
    img.resize(kImageSize + kPage, 0xFF);
    Set16(img, kCoff + 2, 3);                 // NumberOfSections
    Set32(img, kOpt + 8, 2 * kPage);          // SizeOfInitializedData
    Set32(img, kOpt + 56, kImageSize + kPage);  // SizeOfImage
    const std::size_t h = kOpt + 0xF0 + 2 * 40;
    SetText(img, h, ".noread", false);
    Set32(img, h + 8, kPage);
    Set32(img, h + 12, kNoReadRva);
    Set32(img, h + 16, kPage);
    Set32(img, h + 20, kNoReadRva);
    Set32(img, h + 36, 0x00000040u);  // initialised data, nothing else
    return img;
}

void WriteUnreadableExportFiles() {
    using namespace exp;
    const Bytes control = ExportImage(ExportTable());

    // The whole table page copied into the no-access page and the directory
    // entry pointed there; the copy's RVAs still lead to the readable tables,
    // so a walk that reads the directory anyway lists Alpha, Beta and Gamma.
    Bytes img = WithNoAccessPage(control);
    std::memcpy(img.data() + kNoReadRva, img.data() + kDataRva, kEnd);
    Set32(img, kOpt + 112, kNoReadRva);
    Write("exports_unreadable_directory.dll", img);

    // The name table (three name RVAs) copied into the no-access page.
    img = WithNoAccessPage(control);
    std::memcpy(img.data() + kNoReadRva, img.data() + kDataRva + kNames, 12);
    Set32(img, kDataRva + kAddressOfNames, kNoReadRva);
    Write("exports_unreadable_name_table.dll", img);

    // Beta's name lies in the no-access page; Gamma's starts in the last
    // three bytes of `.edata` ("Gam") and runs on into it ("ma").
    img = WithNoAccessPage(control);
    SetText(img, kNoReadRva - 3, "Gam", false);
    SetText(img, kNoReadRva, "ma");
    SetText(img, kNoReadRva + 0x10, "Beta");
    Set32(img, kDataRva + kNames + 4, kNoReadRva + 0x10);
    Set32(img, kDataRva + kNames + 8, kNoReadRva - 3);
    Write("exports_unreadable_names.dll", img);
}

// The control resource tree (offsets from the start of the data page, which
// is also the resource section; directory offsets are relative to it):
//   type "VTDATA" / name 1      / lang 1033 -> 8 bytes "VT-DATA1"
//   type 10       / name "DATA" / lang 1033 -> 4 bytes 01 02 03 04
//   type 23       / name 1      / lang 1033 -> 9 bytes "<p>ok</p>"
// Unused bytes are 0xFF: entries read past a directory's real ones carry
// offsets out of range.
namespace res {
constexpr std::uint32_t kRoot = 0x000;
constexpr std::uint32_t kNamesVt = 0x040, kNamesRc = 0x060, kNamesHtml = 0x080;
constexpr std::uint32_t kLangVt = 0x0A0, kLangRc = 0x0C0, kLangHtml = 0x0E0;
constexpr std::uint32_t kDataVt = 0x200, kDataRc = 0x210, kDataHtml = 0x220;
constexpr std::uint32_t kStrVt = 0x300, kStrData = 0x310;
constexpr std::uint32_t kBytesVt = 0x400, kBytesRc = 0x410, kBytesHtml = 0x420;
constexpr std::uint32_t kEnd = 0x430;
constexpr std::uint32_t kSubdir = 0x80000000u, kNamed = 0x80000000u;
}  // namespace res

struct ResEntry {
    std::uint32_t name, offset;
};

void ResDirectory(Bytes& d, std::uint32_t at, std::uint16_t named, std::uint16_t ids,
                  const std::vector<ResEntry>& entries) {
    std::memset(d.data() + at, 0, 16);
    Set16(d, at + 12, named);
    Set16(d, at + 14, ids);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Set32(d, at + 16 + 8 * i, entries[i].name);
        Set32(d, at + 20 + 8 * i, entries[i].offset);
    }
}

void ResDataEntry(Bytes& d, std::uint32_t at, std::uint32_t rva, std::uint32_t size) {
    Set32(d, at, rva);
    Set32(d, at + 4, size);
    Set32(d, at + 8, 0);
    Set32(d, at + 12, 0);
}

void ResString(Bytes& d, std::uint32_t at, const char* text) {
    const std::size_t n = std::strlen(text);
    Set16(d, at, static_cast<std::uint32_t>(n));
    for (std::size_t i = 0; i < n; ++i) Set16(d, at + 2 + 2 * i, static_cast<std::uint8_t>(text[i]));
}

Bytes ResourceTree() {
    using namespace res;
    Bytes d(kEnd, 0xFF);
    ResDirectory(d, kRoot, 1, 2,
                 {{kNamed | kStrVt, kSubdir | kNamesVt}, {10, kSubdir | kNamesRc}, {23, kSubdir | kNamesHtml}});
    ResDirectory(d, kNamesVt, 0, 1, {{1, kSubdir | kLangVt}});
    ResDirectory(d, kNamesRc, 1, 0, {{kNamed | kStrData, kSubdir | kLangRc}});
    ResDirectory(d, kNamesHtml, 0, 1, {{1, kSubdir | kLangHtml}});
    ResDirectory(d, kLangVt, 0, 1, {{1033, kDataVt}});
    ResDirectory(d, kLangRc, 0, 1, {{1033, kDataRc}});
    ResDirectory(d, kLangHtml, 0, 1, {{1033, kDataHtml}});
    ResDataEntry(d, kDataVt, kDataRva + kBytesVt, 8);
    ResDataEntry(d, kDataRc, kDataRva + kBytesRc, 4);
    ResDataEntry(d, kDataHtml, kDataRva + kBytesHtml, 9);
    ResString(d, kStrVt, "VTDATA");
    ResString(d, kStrData, "DATA");
    SetText(d, kBytesVt, "VT-DATA1", false);
    const std::uint8_t rc[] = {1, 2, 3, 4};
    SetBytes(d, kBytesRc, rc, 4);
    SetText(d, kBytesHtml, "<p>ok</p>", false);
    return d;
}

// The directory size covers the whole section, so a parser that bounds its
// reads by it still reaches the traps near the end of the section.
Bytes ResourceImage(const Bytes& tree) { return Image64(kResourceDir, tree, kPage, 0xFF); }

void WriteResourceFiles() {
    using namespace res;
    Write("resources_valid.dll", ResourceImage(ResourceTree()));

    // An extra type 5 whose subdirectory is the root itself.
    Bytes t = ResourceTree();
    ResDirectory(t, kRoot, 1, 3,
                 {{kNamed | kStrVt, kSubdir | kNamesVt},
                  {5, kSubdir | kRoot},
                  {10, kSubdir | kNamesRc},
                  {23, kSubdir | kNamesHtml}});
    Write("resources_loop_self.dll", ResourceImage(t));

    // The language entry of 10/"DATA" leads back to the root, three levels
    // down, where a data entry belongs.
    t = ResourceTree();
    ResDirectory(t, kLangRc, 0, 1, {{1033, kSubdir | kRoot}});
    Write("resources_loop_deep.dll", ResourceImage(t));

    // The name directory of type 10, moved to the end of the section, claims
    // 0xFFFF named and 0xFFFF id entries; only 30 entries fit before the end
    // of the image, the first real, the rest 0xFF bytes.
    Bytes img = ResourceImage(ResourceTree());
    const std::uint32_t tail = kPage - 0x100;
    ResDirectory(img, kDataRva + tail, 0xFFFF, 0xFFFF, {{kNamed | kStrData, kSubdir | kLangRc}});
    Set32(img, kDataRva + kRoot + 16 + 8 + 4, kSubdir | tail);  // root entry of type 10
    Write("resources_count_huge.dll", img);

    // Type 2 points to a subdirectory far past the section; type 4 to one
    // whose header straddles the end of the section; type 23 gains a second
    // language (1031) whose data entry would start at the first byte past
    // the section.
    t = ResourceTree();
    ResDirectory(t, kRoot, 1, 4,
                 {{kNamed | kStrVt, kSubdir | kNamesVt},
                  {2, kSubdir | 0x7FFFFFF0u},
                  {4, kSubdir | (kPage - 8)},
                  {10, kSubdir | kNamesRc},
                  {23, kSubdir | kNamesHtml}});
    ResDirectory(t, kLangHtml, 0, 2, {{1031, kPage}, {1033, kDataHtml}});
    Write("resources_offset_past_end.dll", ResourceImage(t));

    // Second languages (1031) whose data entries are hostile: VTDATA's claims
    // 0xFFFFFFF0 bytes (RVA + size wraps in 32 bits), DATA's points past the
    // image.
    t = ResourceTree();
    ResDirectory(t, kLangVt, 0, 2, {{1031, 0x230}, {1033, kDataVt}});
    ResDirectory(t, kLangRc, 0, 2, {{1031, 0x240}, {1033, kDataRc}});
    ResDataEntry(t, 0x230, kDataRva + kBytesVt, 0xFFFFFFF0u);
    ResDataEntry(t, 0x240, 0x00100000, 4);
    Write("resources_data_past_end.dll", ResourceImage(t));

    // Type name "VTDATA" claims 0xFFFF characters (128 KiB, far past the
    // section); name "DATA" has its length word in the last two bytes of the
    // section and its characters past the end.
    img = ResourceImage(ResourceTree());
    Set16(img, kDataRva + kStrVt, 0xFFFF);
    Set16(img, kDataRva + kPage - 2, 4);
    Set32(img, kDataRva + kNamesRc + 16, kNamed | (kPage - 2));
    Write("resources_name_huge_length.dll", img);
}

// ---- Run-length bitmaps and menu and dialog templates ---------------------------

// A packed DIB: 40-byte header, two palette colours (black, red), stream.
Bytes RleDib(std::uint32_t width, std::uint32_t height, std::uint32_t compression, const Bytes& stream) {
    Bytes b(48, 0);
    Set32(b, 0, 40);
    Set32(b, 4, width);
    Set32(b, 8, height);
    Set16(b, 12, 1);
    Set16(b, 14, compression == 1 ? 8 : 4);
    Set32(b, 16, compression);
    Set32(b, 20, static_cast<std::uint32_t>(stream.size()));
    Set32(b, 32, 2);  // colours used
    Set32(b, 44, 0x00FF0000u);  // palette entry 1: red (B, G, R, 0)
    b.insert(b.end(), stream.begin(), stream.end());
    return b;
}

// `rows` rows of full-width runs of colour 1, each row closed by end of line.
Bytes RleRows(std::uint32_t rows, std::uint32_t runsPerRow) {
    Bytes s;
    for (std::uint32_t r = 0; r < rows; ++r) {
        for (std::uint32_t i = 0; i < runsPerRow; ++i) s.insert(s.end(), {255, 1});
        s.insert(s.end(), {0, 0});
    }
    s.insert(s.end(), {0, 1});
    return s;
}

// Little template writer: words, strings and DWORD alignment from the start.
struct Tpl {
    Bytes b;
    Tpl& W(std::uint32_t v) { Set16(b, b.size(), v); return *this; }
    Tpl& D(std::uint32_t v) { Set32(b, b.size(), v); return *this; }
    Tpl& S(const char* text) {
        for (const char* c = text; *c; ++c) W(static_cast<std::uint8_t>(*c));
        return W(0);
    }
    Tpl& Align4() {
        while (b.size() % 4) b.push_back(0);
        return *this;
    }
};

constexpr std::uint32_t kPopupDialog = 0x80C80080u;  // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME
constexpr std::uint32_t kChildDialog = 0x40000000u;  // WS_CHILD, no caption
constexpr std::uint32_t kVisibleChild = 0x50000000u;
constexpr std::uint32_t kSsIcon = 0x3, kSsBitmap = 0xE;

// A plain dialog header without font; `menu` writes the menu field.
Tpl DialogHeader(std::uint32_t style, std::uint16_t controls, const char* caption, void (*menu)(Tpl&) = nullptr) {
    Tpl t;
    t.D(style).D(0).W(controls).W(0).W(0).W(160).W(60);
    if (menu) menu(t); else t.W(0);
    t.W(0).S(caption);  // the dialog class, the caption
    return t;
}

// A plain control of the static class with an ordinal or text title.
void StaticControl(Tpl& t, std::uint32_t style, std::uint16_t id, int picture, const char* text, std::uint16_t extra) {
    t.Align4();
    t.D(kVisibleChild | style).D(0).W(10).W(10).W(40).W(12).W(id);
    t.W(0xFFFF).W(0x0082);
    if (picture >= 0) t.W(0xFFFF).W(static_cast<std::uint32_t>(picture)); else t.S(text);
    t.W(extra);
    for (std::uint16_t i = 0; i < extra / 2 * 2; ++i) t.b.push_back(0x5A);
}

// An odd creation-data count the platform steps over a WORD at a time:
// the first control's data count ends 2 bytes past a DWORD boundary, so
// the platform's next control starts 4 bytes before where rounding the
// count up would put it. The resource ends where the platform's walk ends.
Bytes OddDataDialog() {
    Tpl t = DialogHeader(kPopupDialog, 2, "Odd data");  // 18 + 2 + 2 + 18 = 40
    t.D(kVisibleChild).D(0).W(10).W(10).W(40).W(12).W(1).W(0xFFFF).W(0x0082).W(0);  // 40..64
    t.W(3).W(0x5A5A);  // count word at 64, one WORD of its 3 bytes taken: 68, aligned
    StaticControl(t, 0, 2, -1, "second", 0);  // 68..106; rounding the count up puts it at 72
    return t.b;
}

// The same count, where rounding it up finds a tidy control but the
// platform's walk, 4 bytes earlier, reads its fields as an unterminated
// title that runs past the end.
Bytes OddDataTrapDialog() {
    Tpl t = DialogHeader(kPopupDialog, 2, "Odd trap");  // 40 bytes
    t.D(kVisibleChild).D(0).W(10).W(10).W(40).W(12).W(1).W(0xFFFF).W(0x0082).W(0);  // 40..64
    t.W(3).W(0x5A5A).W(0x5A5A);  // count rounded up: 66..70, aligned to 72
    StaticControl(t, 0, 2, -1, "x", 0);  // 72..100; the platform's walk starts at 68
    return t.b;
}

// A child template with no caption whose control fits only when the
// template starts on a DWORD boundary: the library stores it 2 bytes off.
Bytes MisalignedChildDialog() {
    Tpl t = DialogHeader(kChildDialog, 1, "");  // 24 bytes
    StaticControl(t, 0, 1, -1, "", 0);            // 24..50
    return t.b;
}

void MenuByName(Tpl& t, const char* name) {
    t.S(name);
}

Bytes DialogNamingMenu(const char* caption, void (*menu)(Tpl&)) {
    Tpl t = DialogHeader(kPopupDialog, 1, caption, menu);
    StaticControl(t, 0, 1, -1, "menu", 0);
    return t.b;
}

Bytes DialogWithPicture(const char* caption, std::uint32_t style, std::uint16_t picture) {
    Tpl t = DialogHeader(kPopupDialog, 1, caption);
    StaticControl(t, style, 1, picture, nullptr, 0);
    return t.b;
}

// A plain menu: one popup "&File" with one item `text`.
Bytes PlainMenu(const char* text, bool ended = true) {
    Tpl t;
    t.W(0).W(0);
    t.W(0x10 | 0x80).S("&File");             // popup, last top-level item
    t.W(ended ? 0x80 : 0).W(100).S(text);    // its only item
    return t.b;
}

// An extended menu: header with the help id offset, one popup with one item.
Bytes ExtendedMenu() {
    Tpl t;
    t.W(1).W(4).D(0);
    t.D(0).D(0).D(0).W(0x81).S("&File").Align4().D(0);  // popup, last; then its help id
    t.D(0).D(0).D(100).W(0x80).S("&Open").Align4();
    return t.b;
}

// An extended dialog with a font and one static icon control named by text.
Bytes ExtendedDialog() {
    Tpl t;
    t.W(1).W(0xFFFF).D(0).D(0).D(kPopupDialog | 0x40).W(1).W(0).W(0).W(160).W(60);
    t.W(0xFFFF).W(5).W(0).S("Extended").W(8).W(400).W(0).S("MS Shell Dlg");
    t.Align4();
    t.D(0).D(0).D(kVisibleChild | kSsIcon).W(10).W(10).W(20).W(20).D(7);
    t.S("Static").S("APPICON").W(0);
    return t.b;
}

// A 4 x 4 icon image: 32-bit colour rows (height doubled for the mask).
Bytes SmallIcon() {
    Bytes b(40, 0);
    Set32(b, 0, 40);
    Set32(b, 4, 4);
    Set32(b, 8, 8);
    Set16(b, 12, 1);
    Set16(b, 14, 32);
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t px[] = {0, 0, 255, 255};
        b.insert(b.end(), px, px + 4);
    }
    b.resize(b.size() + 16, 0);  // AND mask: 4 rows of 4 bytes
    return b;
}

// An icon group of `count` members (as claimed) with one real entry, id 1.
Bytes IconGroup(std::uint16_t claimed, std::uint32_t imageSize) {
    Bytes b;
    Set16(b, 0, 0);
    Set16(b, 2, 1);
    Set16(b, 4, claimed);
    const std::uint8_t entry[] = {4, 4, 0, 0, 1, 0, 32, 0};
    b.insert(b.end(), entry, entry + 8);
    Set32(b, 14, imageSize);
    Set16(b, 18, 1);
    return b;
}

// A resource section built from a list: directories (named entries first,
// then ids ascending), string names, data entries, then each resource's
// bytes on an 8-byte boundary plus its own offset.
struct Resource {
    std::uint16_t type;
    std::string name;  // a string name, or the decimal id after '#'
    std::uint16_t language;
    Bytes data;
    std::uint32_t misalign = 0;
};

Bytes ResourceSection(const std::vector<Resource>& items) {
    using NameKey = std::tuple<int, std::string, unsigned long>;  // strings first
    std::map<std::uint16_t, std::map<NameKey, std::map<std::uint16_t, std::size_t>>> tree;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string& n = items[i].name;
        const NameKey key = n[0] == '#' ? NameKey{1, "", std::stoul(n.substr(1))} : NameKey{0, n, 0};
        tree[items[i].type][key][items[i].language] = i;
    }
    auto dirSize = [](std::size_t entries) { return static_cast<std::uint32_t>(16 + 8 * entries); };
    std::uint32_t at = dirSize(tree.size());
    std::uint32_t entriesAt = 0, stringsAt = 0, dataAt = 0;
    for (auto& [type, names] : tree) {
        at += dirSize(names.size());
        for (auto& [name, langs] : names) at += dirSize(langs.size());
    }
    entriesAt = at;
    at += static_cast<std::uint32_t>(16 * items.size());
    stringsAt = at;
    for (auto& [type, names] : tree)
        for (auto& [name, langs] : names)
            if (std::get<0>(name) == 0) at += static_cast<std::uint32_t>(2 + 2 * std::get<1>(name).size());
    dataAt = at;

    Bytes d(dataAt, 0);
    std::uint32_t dir = 0, next = dirSize(tree.size()), str = stringsAt;
    ResDirectory(d, 0, 0, static_cast<std::uint16_t>(tree.size()), {});
    std::size_t t = 0;
    for (auto& [type, names] : tree) {
        const std::uint32_t nameDir = next;
        next += dirSize(names.size());
        Set32(d, dir + 16 + 8 * t, type);
        Set32(d, dir + 20 + 8 * t, res::kSubdir | nameDir);
        std::uint16_t named = 0, ids = 0;
        for (auto& [name, langs] : names) (std::get<0>(name) == 0 ? named : ids)++;
        Set16(d, nameDir + 12, named);
        Set16(d, nameDir + 14, ids);
        std::size_t n = 0;
        for (auto& [name, langs] : names) {
            const std::uint32_t langDir = next;
            next += dirSize(langs.size());
            if (std::get<0>(name) == 0) {
                ResString(d, str, std::get<1>(name).c_str());
                Set32(d, nameDir + 16 + 8 * n, res::kNamed | str);
                str += static_cast<std::uint32_t>(2 + 2 * std::get<1>(name).size());
            } else {
                Set32(d, nameDir + 16 + 8 * n, static_cast<std::uint32_t>(std::get<2>(name)));
            }
            Set32(d, nameDir + 20 + 8 * n, res::kSubdir | langDir);
            Set16(d, langDir + 14, static_cast<std::uint16_t>(langs.size()));
            std::size_t l = 0;
            for (auto& [language, index] : langs) {
                const Resource& item = items[index];
                const std::uint32_t entry = entriesAt + static_cast<std::uint32_t>(16 * index);
                dataAt = (dataAt + 7) / 8 * 8 + item.misalign;
                ResDataEntry(d, entry, kDataRva + dataAt, static_cast<std::uint32_t>(item.data.size()));
                SetBytes(d, dataAt, item.data.data(), item.data.size());
                dataAt += static_cast<std::uint32_t>(item.data.size());
                Set32(d, langDir + 16 + 8 * l, language);
                Set32(d, langDir + 20 + 8 * l, entry);
                ++l;
            }
            ++n;
        }
        ++t;
    }
    return d;
}

void WriteRleAndTemplateFiles() {
    // 1 x 1 with 8 KiB of 255-pixel runs on one row: each run must cost one
    // step, not 255.
    Bytes longRuns;
    for (int i = 0; i < 4096; ++i) longRuns.insert(longRuns.end(), {255, 1});
    Write("rle8_runs_past_row.bin", RleDib(1, 1, 1, longRuns));
    // 4 rows of runs claiming a 4096 x 4096 picture (16 Mi pixels, within
    // the pixel cap, but 64 MiB for what 40 bytes of stream can paint).
    const Bytes bomb = RleDib(4096, 4096, 1, RleRows(4, 4));
    Write("rle8_claims_4096.bin", bomb);
    Write("rle4_claims_8192.bin", RleDib(8192, 8192, 2, RleRows(4, 4)));
    Write("rle8_valid.bin", RleDib(4, 4, 1, RleRows(4, 1)));

    const Bytes oddData = OddDataDialog(), oddTrap = OddDataTrapDialog(), misaligned = MisalignedChildDialog();
    const Bytes goodMenu = PlainMenu("&Open"), badMenu = PlainMenu("&Open", false);
    Write("template_dialog_odd_data.bin", oddData);
    Write("template_dialog_odd_data_trap.bin", oddTrap);
    Write("template_dialog_misaligned_child.bin", misaligned);
    Write("template_menu_valid.bin", goodMenu);
    Write("template_menu_unended.bin", badMenu);
    Write("template_menu_extended.bin", ExtendedMenu());
    Write("template_dialog_extended.bin", ExtendedDialog());
    Tpl many = DialogHeader(kPopupDialog, 1025, "Too many");
    for (int i = 0; i < 1025; ++i) StaticControl(many, 0, 1, -1, "", 0);
    Write("template_dialog_too_many_controls.bin", many.b);
    // Font by the message-box size (nothing follows it), a menu by name, and
    // three statics: SS_BITMAP by ordinal, SS_ICON of class "STATIC" by
    // name, SS_ICON style bits on a button (loads nothing).
    Tpl pictures = DialogHeader(kPopupDialog | 0x40, 3, "Pictures", [](Tpl& t) { MenuByName(t, "MENU"); });
    pictures.W(0x7FFF);
    StaticControl(pictures, kSsBitmap, 1, 42, nullptr, 0);
    pictures.Align4().D(kVisibleChild | kSsIcon).D(0).W(0).W(0).W(0).W(0).W(2).S("STATIC").S("PIC").W(0);
    pictures.Align4().D(kVisibleChild | kSsIcon).D(0).W(0).W(0).W(0).W(0).W(3).W(0xFFFF).W(0x80).W(0xFFFF).W(43).W(0);
    Write("template_dialog_pictures.bin", pictures.b);
    Tpl deep;
    deep.W(0).W(0);
    for (int i = 0; i < 17; ++i) deep.W(0x10 | 0x80).S("p");
    deep.W(0x80).W(1).S("leaf");
    Write("template_menu_too_deep.bin", deep.b);

    // One library with all of it: what each dialog and menu holds is in
    // tests/data/README.md.
    const Bytes icon = SmallIcon();
    const std::vector<Resource> items = {
        {2, "#8", 1033, bomb},
        {3, "#1", 1033, icon},
        {4, "BADMENU", 1033, badMenu},
        {4, "GOODMENU", 1033, goodMenu},
        {4, "LANGMENU", 1031, PlainMenu("Deutsch")},
        {4, "LANGMENU", 1033, PlainMenu("English")},
        {5, "BITMAPTRAP", 1033, DialogWithPicture("Bitmap trap", kSsBitmap, 8)},
        {5, "ICONOK", 1033, DialogWithPicture("Icon ok", kSsIcon, 9)},
        {5, "ICONTRAP", 1033, DialogWithPicture("Icon trap", kSsIcon, 7)},
        {5, "LANGDIALOG", 1031, DialogHeader(kPopupDialog, 0, "Deutsch").b},
        {5, "LANGDIALOG", 1033, DialogHeader(kPopupDialog, 0, "English").b},
        {5, "MENUOK", 1033, DialogNamingMenu("Menu ok", [](Tpl& t) { MenuByName(t, "GOODMENU"); })},
        {5, "MENUTRAP", 1033, DialogNamingMenu("Menu trap", [](Tpl& t) { MenuByName(t, "BADMENU"); })},
        {5, "MISALIGNED", 1033, misaligned, 2},
        {5, "ODDDATA", 1033, oddData},
        {5, "ODDTRAP", 1033, oddTrap},
        {14, "#7", 1033, IconGroup(0xFFFF, static_cast<std::uint32_t>(icon.size()))},
        {14, "#9", 1033, IconGroup(1, static_cast<std::uint32_t>(icon.size()))},
    };
    const Bytes section = ResourceSection(items);
    if (section.size() > kPage) {
        std::fprintf(stderr, "make_malformed: templates.dll needs %zu bytes of resources\n", section.size());
        g_ok = false;
        return;
    }
    Write("templates.dll", Image64(kResourceDir, section, static_cast<std::uint32_t>(section.size()), 0));
}

// ---- Version resource blobs ------------------------------------------------------

// One node of a version resource: wLength, wValueLength, wType, the key in
// UTF-16 with its terminator, padding to 4 bytes, the value, padding, then
// the children.
struct VersionNode {
    std::string key;
    Bytes value;
    std::uint16_t valueLength;  // in WORDs for text, bytes for binary
    std::uint16_t type;         // 1 text, 0 binary
    std::vector<VersionNode> children;
};

void Align4(Bytes& b) {
    while (b.size() % 4) b.push_back(0);
}

Bytes Serialize(const VersionNode& n) {
    Bytes b(6, 0);
    for (char c : n.key) b.insert(b.end(), {static_cast<std::uint8_t>(c), 0});
    b.insert(b.end(), {0, 0});
    Align4(b);
    b.insert(b.end(), n.value.begin(), n.value.end());
    for (const VersionNode& child : n.children) {
        Align4(b);
        const Bytes c = Serialize(child);
        b.insert(b.end(), c.begin(), c.end());
    }
    Set16(b, 0, static_cast<std::uint32_t>(b.size()));
    Set16(b, 2, n.valueLength);
    Set16(b, 4, n.type);
    return b;
}

VersionNode Text(const std::string& key, const std::string& text) {
    Bytes v;
    for (char c : text) v.insert(v.end(), {static_cast<std::uint8_t>(c), 0});
    v.insert(v.end(), {0, 0});
    return {key, v, static_cast<std::uint16_t>(text.size() + 1), 1, {}};
}

// Offset of the node whose key is `key` (its wLength field).
std::size_t FindNode(const Bytes& blob, const std::string& key) {
    Bytes pattern;
    for (char c : key) pattern.insert(pattern.end(), {static_cast<std::uint8_t>(c), 0});
    pattern.insert(pattern.end(), {0, 0});
    for (std::size_t i = 6; i + pattern.size() <= blob.size(); i += 2)
        if (std::memcmp(blob.data() + i, pattern.data(), pattern.size()) == 0) return i - 6;
    std::fprintf(stderr, "make_malformed: no version node %s\n", key.c_str());
    std::exit(1);
}

Bytes VersionBlob() {
    Bytes fixed(52, 0);
    Set32(fixed, 0, 0xFEEF04BD);
    Set32(fixed, 4, 0x00010000);
    Set32(fixed, 8, 0x00010002);  // FileVersion 1.2.3.4
    Set32(fixed, 12, 0x00030004);
    Set32(fixed, 16, 0x00010002);
    Set32(fixed, 20, 0x00030004);
    Set32(fixed, 24, 0x3F);
    Set32(fixed, 32, 0x00040004);  // VOS_NT_WINDOWS32
    Set32(fixed, 36, 2);           // VFT_DLL
    Bytes translation;
    Set16(translation, 0, 0x0409);
    Set16(translation, 2, 0x04B0);
    const VersionNode root{
        "VS_VERSION_INFO", fixed, 52, 0,
        {VersionNode{"StringFileInfo", {}, 0, 1,
                     {VersionNode{"040904B0", {}, 0, 1,
                                  {Text("FileVersion", "1.2.3.4"), Text("CompanyName", "Vantorel")}}}},
         VersionNode{"VarFileInfo", {}, 0, 1, {VersionNode{"Translation", translation, 4, 0, {}}}}}};
    return Serialize(root);
}

void WriteVersionFiles() {
    const Bytes valid = VersionBlob();
    Write("version_valid.bin", valid);

    // A child claiming 0 bytes: a walk that advances by wLength never moves.
    Bytes b = valid;
    Set16(b, FindNode(valid, "StringFileInfo"), 0);
    Write("version_zero_length.bin", b);

    // The string table claims more bytes than its parent and the file hold.
    b = valid;
    Set16(b, FindNode(valid, "040904B0"), 0x7FF0);
    Write("version_child_overruns.bin", b);

    // CompanyName's value claims 0xFFFF characters.
    b = valid;
    const std::size_t company = FindNode(valid, "CompanyName");
    Set16(b, company + 2, 0xFFFF);
    Write("version_value_length_huge.bin", b);

    // Cut off inside the key "CompanyName", before its terminator; the
    // lengths still describe the whole blob.
    b = valid;
    b.resize(company + 6 + 8);
    Write("version_truncated_key.bin", b);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_malformed <output directory>\n");
        return 2;
    }
    g_dir = std::string(argv[1]) + "/";
    WriteHeaderFiles();
    WriteExportFiles();
    WriteUnreadableExportFiles();
    WriteResourceFiles();
    WriteVersionFiles();
    WriteRleAndTemplateFiles();
    return g_ok ? 0 : 1;
}
