#pragma once
// Shared pieces of the grid tests: a host window kept for the whole run
// (destroying top-level windows is slow without a window manager), parents
// for grids, an event recorder for the callback and object counters.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "grid/grid_list_win32.h"
#include "grid/grid_win32.h"

namespace vantorel::grid_testing {

// The run's top-level window, shown on the (virtual) desktop.
HWND Host();

// A child window of the host to put grids on; its procedure answers the
// private message kPing with kPong, so tests can see it still works.
inline constexpr UINT kPing = WM_APP + 7;
inline constexpr LRESULT kPong = 0x5EED;
HWND MakeParent(int width = 600, int height = 400);

void PumpMessages();

// The system clipboard's text, and replacing it.
std::wstring ClipboardText();
void SetClipboardText(const std::wstring& text);
// Opens the clipboard, waiting briefly while a test beside this one holds it.
bool OpenClipboardSoon();

// Records every event and answers from a table (1 unless told otherwise).
struct Recorder {
  struct Entry {
    GridEvent event;
    CellEvent record;
    GridControl* grid;
  };
  std::vector<Entry> events;
  std::map<GridEvent, std::int64_t> answers;
  std::function<void(GridControl*, GridEvent, CellEvent&)> react;

  GridCallback Callback() {
    return [this](GridControl* grid, GridEvent event, CellEvent& record) -> std::int64_t {
      if (react) react(grid, event, record);
      events.push_back({event, record, grid});
      const auto answer = answers.find(event);
      return answer == answers.end() ? 1 : answer->second;
    };
  }
  std::vector<Entry> Of(GridEvent event) const {
    std::vector<Entry> found;
    for (const auto& e : events)
      if (e.event == event) found.push_back(e);
    return found;
  }
  // The events other than the drawing questions, in order.
  std::vector<GridEvent> Sequence() const {
    std::vector<GridEvent> found;
    for (const auto& e : events)
      if (e.event != GridEvent::CellFormat && e.event != GridEvent::CellType) found.push_back(e.event);
    return found;
  }
};

// A grid of the tool's kind on a fresh parent: flags 0x22045, rows 20 high,
// header 22, strip 24 + 1, the given columns of 80 pixels.
struct TestGrid {
  HWND parent = nullptr;
  std::unique_ptr<GridControl> grid;
  Recorder recorder;

  explicit TestGrid(int columns = 3, std::int64_t flags = 0x22045, int width = 500, int height = 300);
  ~TestGrid();
  void AddRows(int count, bool ticked = false);
  GridList& list() { return *grid->list; }
  // Row r's rectangle in the list view (and so in the container: the list
  // sits at its top).
  RECT ItemRect(std::int64_t row) const;
};

// Live GDI and USER objects of this process. GetGuiResources where the
// system counts them; Wine leaves it a stub, so there the handle tables are
// walked instead (GDI objects; this process's windows, and icons).
struct ObjectCounts {
  long gdi = 0;
  long user = 0;
};
ObjectCounts CountObjects();

// Renders a window's client area through WM_PRINTCLIENT into a 32-bit image.
class Snapshot {
 public:
  Snapshot(HWND window, int width, int height);
  ~Snapshot();
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;
  // 0x00BBGGRR like COLORREF.
  COLORREF At(int x, int y) const;

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace vantorel::grid_testing
