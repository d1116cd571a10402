#pragma once
// Saving a file the user names, as Save Source and Save Project both do:
// the save requester, the retry question where nothing can be created, and
// the message when writing fails.
#include <functional>
#include <string>

namespace vantorel {

enum class SaveOutcome {
  Saved,
  Cancelled,  // the requester was cancelled or the retry question answered No
  Failed,     // the file could not be written completely; the user was told
};

// Asks for the file (empty title, the default name and the filter), makes
// its bytes with `encode` once a name is chosen, and writes them whole. What
// names the content in a failure message: "source" or "project".
SaveOutcome SaveWithRequester(const std::wstring& defaultName, const wchar_t* filter, const wchar_t* what,
                              const std::function<std::string()>& encode);

}  // namespace vantorel
