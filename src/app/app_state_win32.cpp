#include "app/app_state_win32.h"

namespace vantorel {

AppState& App() {
  static AppState state;
  return state;
}

}  // namespace vantorel
