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
    // The prefix lets a drop recognise the drags of any Kelvo (IsEntryDragFile).
    std::string path = platform::MakeTempFolder(kDragFolderPrefix);
    return path.empty() ? nullptr : std::make_shared<TDragFolder>(std::move(path));
}

} // namespace kelvo
