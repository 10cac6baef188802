// drop-files X Y FILE...: drops the files on the window at the screen point
// (X, Y) through a real OLE drag from this process, as a file manager would:
// the program's own file source offers them, the left button is pressed at
// the point and let go once the window there has answered with a copy.
// Exits with 0 when the drop was taken as a copy, 1 when not, 2 on a usage
// error.
#include "components/shell/drop_source.h"
#include "components/shell/shell_init.h"
#include "tests/win32/window_search.h"

#include <cstdio>
#include <cstdlib>

using namespace kelvo;
using test::SetLeftButton;

int main(int argc, char** argv)
{
    if (argc < 4)
        return std::fprintf(stderr, "Usage: drop-files X Y FILE...\n"), 2;
    const POINT target{std::atoi(argv[1]), std::atoi(argv[2])};
    const TShellStartup shell;
    OwnedComponent<TDropFileSource> source;
    source->Files.assign(argv + 3, argv + argc);
    source->OnFeedback = [&](TDropSource&, DWORD effect, bool&) {
        POINT pointer{};
        GetCursorPos(&pointer);
        if (pointer.x == target.x && pointer.y == target.y && (effect & DROPEFFECT_COPY))
            SetLeftButton(false);
    };
    SetCursorPos(target.x, target.y);
    SetLeftButton(true);
    const TDragResult result = source->Execute();
    std::printf("drop-files: %s at %ld,%ld\n", result == drDropCopy ? "dropped" : "not dropped", target.x, target.y);
    return result == drDropCopy ? 0 : 1;
}
