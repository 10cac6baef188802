#include "app/entry_drag.h"

#include "app/far_text.h"
#include "platform/file.h"

namespace kelvo {

TDragFolder::~TDragFolder()
{
    for (const std::string& file : Files)
        platform::RemoveFile(file);
    platform::RemoveFolder(path_);
}

std::shared_ptr<TDragFolder> MakeDragFolder()
{
    static int folders = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = platform::TempFolder() + kDragFolderPrefix + std::to_string(platform::ProcessId()) +
                                      "-" + std::to_string(folders++);
        if (platform::MakeDirectory(candidate))
            return std::make_shared<TDragFolder>(candidate);
    }
    return nullptr;
}

} // namespace kelvo
