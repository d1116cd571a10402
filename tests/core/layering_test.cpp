// The folders under src/ form layers: platform at the bottom; grid, editor,
// analysis and cheader on it; codegen and resources above those; app on top. A file
// may include its own folder and the folders its layer builds on, nothing
// above or beside it, and portable files never include <windows.h>.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace vantorel {
namespace {

// What each folder may include besides itself.
const std::map<std::string, std::set<std::string>> kMayUse = {
    {"platform", {}},
    {"grid", {"platform"}},
    {"editor", {"platform"}},
    {"analysis", {"platform"}},
    {"cheader", {"platform"}},
    // The subsystems under the application show no window: the controls and
    // the pages that use them sit in app.
    {"codegen", {"platform", "analysis", "cheader"}},
    {"resources", {"platform", "analysis"}},
    {"app", {"platform", "analysis", "grid", "editor", "cheader", "codegen", "resources"}},
    // The command line sits beside the application on the same core.
    {"cli", {"platform", "analysis", "cheader", "codegen"}},
};

// Why an include from one folder to another breaks the layers; empty when it is allowed.
std::string LayerViolation(const std::string& from, const std::string& to) {
  const auto rules = kMayUse.find(from);
  if (rules == kMayUse.end()) return "folder " + from + " has no place in the layers";
  if (from == to || rules->second.contains(to)) return {};
  if (!kMayUse.contains(to)) return "includes unknown folder " + to;
  return from + " may not include " + to;
}

struct Include {
  std::string file;  // relative to src/
  std::string target;
};

std::vector<Include> QuotedIncludes(const std::filesystem::path& root, const std::string& pattern) {
  const std::regex line(pattern);
  std::vector<Include> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const auto ext = entry.path().extension();
    if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
    std::ifstream in(entry.path());
    std::string text;
    while (std::getline(in, text)) {
      std::smatch m;
      if (std::regex_search(text, m, line)) {
        found.push_back({std::filesystem::relative(entry.path(), root).generic_string(), m[1].str()});
      }
    }
  }
  return found;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find('/')); }

TEST(Layering, RuleAllowsDownwardIncludesOnly) {
  struct Case {
    const char* from;
    const char* to;
    bool allowed;
  };
  const Case cases[] = {
      {"app", "resources", true},     {"codegen", "analysis", true}, {"codegen", "editor", false},
      {"resources", "grid", false},    {"editor", "platform", true},  {"platform", "platform", true},
      {"analysis", "codegen", false}, {"editor", "codegen", false},  {"editor", "analysis", false},
      {"grid", "app", false},         {"resources", "app", false},   {"codegen", "resources", false},
      {"platform", "analysis", false}, {"tools", "platform", false}, {"grid", "tools", false},
      {"cli", "codegen", true},       {"app", "cli", false},         {"codegen", "cli", false},
      {"cli", "app", false},          {"cheader", "platform", true}, {"cheader", "analysis", false},
      {"codegen", "cheader", true},   {"analysis", "cheader", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LayerViolation(c.from, c.to).empty(), c.allowed) << c.from << " -> " << c.to;
  }
}

TEST(Layering, SourceTreeKeepsItsLayers) {
  const std::filesystem::path src = std::filesystem::path(VANTOREL_SOURCE_DIR) / "src";
  const auto includes = QuotedIncludes(src, R"(^\s*#\s*include\s*"([^"]+)\")");
  ASSERT_GT(includes.size(), 100u) << "the scan found the sources";
  for (const Include& i : includes) {
    if (i.target.find('/') == std::string::npos) continue;  // a sibling or a third-party header
    const std::string problem = LayerViolation(FolderOf(i.file), FolderOf(i.target));
    EXPECT_TRUE(problem.empty()) << i.file << " includes " << i.target << ": " << problem;
  }
  // Folders only: a file straight under src/ would sit outside every layer.
  for (const auto& entry : std::filesystem::directory_iterator(src)) {
    EXPECT_TRUE(entry.is_directory() && kMayUse.contains(entry.path().filename().string())) << entry.path();
  }
}

// A subsystem returns results and the application talks to the user: no
// requester, message box, window or dialog is made below app.
TEST(Layering, SubsystemsShowNoWindow) {
  const std::filesystem::path src = std::filesystem::path(VANTOREL_SOURCE_DIR) / "src";
  const std::string pattern =
      R"(((CreateWindow(Ex)?|DialogBox(Indirect)?(Param)?|MessageBox(Ex)?|Get(Open|Save)FileName)[AW]?\s*\()|prompts_win32\.h)";
  for (const char* folder : {"analysis", "codegen", "resources"}) {
    for (const Include& i : QuotedIncludes(src / folder, "(" + pattern + ")")) {
      ADD_FAILURE() << folder << "/" << i.file << " shows a window: " << i.target;
    }
  }
}

TEST(Layering, PortableFilesStayWithoutWindowsHeaders) {
  const std::filesystem::path src = std::filesystem::path(VANTOREL_SOURCE_DIR) / "src";
  for (const Include& i : QuotedIncludes(src, R"(^\s*#\s*include\s*<((windows|winuser|winbase|commctrl)\.h)>)")) {
    EXPECT_NE(i.file.find("_win32."), std::string::npos) << i.file << " is portable but includes <" << i.target << ">";
  }
}

}  // namespace
}  // namespace vantorel
