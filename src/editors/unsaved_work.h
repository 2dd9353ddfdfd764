#pragma once
// An editor that may hold work not yet written to its file. Before the program ends it
// closes each such editor through the editor's own close path, so the user is asked as
// when closing it by hand; when nobody can answer (the system ends the program), the
// editor keeps its work in fresh "NAME.unsaved" files instead.

#include <string>
#include <vector>

namespace editors {

// The suffix of a copy of work that could not be saved where it belongs.
inline constexpr const char* kUnsavedSuffix = ".unsaved";

class IUnsavedWork {
public:
    virtual ~IUnsavedWork() = default;
    // Closes as the user's close would, with its questions; false when the editor stays
    // open (a save failed or a field holds no valid value).
    virtual bool CloseAsking() = 0;
    // Writes what is not yet saved to fresh "NAME.unsaved" files without asking, then
    // closes; the files written.
    virtual std::vector<std::string> KeepUnsavedAndClose() = 0;
};

}  // namespace editors
