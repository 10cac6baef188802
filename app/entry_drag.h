// What a drag of entries out of the entry list offers: the entries written
// into a folder of that drag's own in the temporary folder, kept as long as
// the program runs or a target still holds the drag's data, whichever is
// longer, since a target may copy the files after the drop has returned.
#pragma once

#include "components/shell/drop_source.h"

#include <memory>
#include <string>
#include <vector>

namespace kelvo {

// A drag's folder and the files written into it; removed, with them, when
// the last holder lets go.
class TDragFolder {
public:
    explicit TDragFolder(std::string path) : path_(std::move(path)) {}
    ~TDragFolder();
    TDragFolder(const TDragFolder&) = delete;
    TDragFolder& operator=(const TDragFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::vector<std::string> Files; // full names

private:
    std::string path_;
};

// Makes a new drag folder of an unpredictable name (after kDragFolderPrefix)
// in the temporary folder; null when none can be made.
std::shared_ptr<TDragFolder> MakeDragFolder();

// A file drag source that holds its drag's folder while it lives.
class TEntryDragSource : public TDropFileSource {
public:
    std::shared_ptr<TDragFolder> Folder;

protected:
    ~TEntryDragSource() override = default;
};

} // namespace kelvo
