#pragma once
// Input messages as the grid's rules take them: virtual keys as abstract
// keys, the modifiers held at the moment of a message, and points.
#include <windows.h>
#include <windowsx.h>

#include "grid/grid_keys.h"
#include "grid/grid_view.h"

namespace vantorel {

inline bool KeyHeld(int key) { return GetKeyState(key) < 0; }

inline GridModifiers HeldModifiers() { return GridModifiers{KeyHeld(VK_CONTROL), KeyHeld(VK_SHIFT)}; }

inline POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

inline GridPoint GridPointOf(POINT point) { return GridPoint{point.x, point.y}; }

inline GridKey KeyOf(WPARAM key) {
  switch (key) {
    case VK_LEFT:
      return GridKey::Left;
    case VK_RIGHT:
      return GridKey::Right;
    case VK_UP:
      return GridKey::Up;
    case VK_DOWN:
      return GridKey::Down;
    case VK_PRIOR:
      return GridKey::PageUp;
    case VK_NEXT:
      return GridKey::PageDown;
    case VK_HOME:
      return GridKey::Home;
    case VK_END:
      return GridKey::End;
    case VK_TAB:
      return GridKey::Tab;
    case VK_RETURN:
      return GridKey::Enter;
    case VK_ESCAPE:
      return GridKey::Escape;
    case VK_SPACE:
      return GridKey::Space;
    case VK_DELETE:
      return GridKey::Delete;
    case VK_INSERT:
      return GridKey::Insert;
    case 'A':
      return GridKey::A;
    case 'C':
      return GridKey::C;
    case 'X':
      return GridKey::X;
    case 'V':
      return GridKey::V;
    default:
      return GridKey::Other;
  }
}

}  // namespace vantorel
