// Writes the .def files whose content is awkward to keep in the tree: the
// one with export names in Windows-1252 (raw bytes above 0x7F, which would
// not survive editors and diffs as UTF-8 text) and the ones with generated
// names: 65,535 of them, and 16 made the same way for the benchmarks to set
// beside them.
//
// Usage: make_defs <output directory>

#include <cstdio>
#include <string>

namespace {

bool Write(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make_defs: cannot write %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_defs <output directory>\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";

    // Quoted, so the linker takes the bytes as they are. 0x80 is the euro
    // sign in Windows-1252 but U+0080 in Latin-1, which tells the two apart.
    const std::string ansi =
        "LIBRARY ansi_names.dll\n"
        "EXPORTS\n"
        "  \"Gr\xF6\xDF" "e\" = return_1 @1\n"  // Größe
        "  \"\xC4pfel\" = return_2 @2\n"        // Äpfel
        "  \"Caf\xE9\" = return_3 @3\n"         // Café
        "  \"Preis\x80\" = return_4 @4\n"       // Preis€
        "  Plain = return_5 @5\n";

    const auto numbered = [](const char* library, unsigned count) {
        std::string def = std::string("LIBRARY ") + library + "\nEXPORTS\n";
        def.reserve(count * 32 + 64);
        char line[64];
        for (unsigned i = 1; i <= count; ++i) {
            std::snprintf(line, sizeof line, "  Function_%05u = bench_%u\n", i, i % 16);
            def += line;
        }
        return def;
    };

    bool ok = Write(dir + "ansi_names.def", ansi);
    ok = Write(dir + "few_exports.def", numbered("few_exports.dll", 16)) && ok;
    return Write(dir + "many_exports.def", numbered("many_exports.dll", 65535)) && ok ? 0 : 1;
}
