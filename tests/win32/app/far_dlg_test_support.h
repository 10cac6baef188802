// Small helpers the main window's tests share: whole files and list lines.
#pragma once

#include "ui/list_box.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kelvo {

inline std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::string> Lines(const ui::ListBox& list)
{
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list.Text(i));
    return lines;
}

} // namespace kelvo
