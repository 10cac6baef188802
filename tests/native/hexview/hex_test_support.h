// Fixtures of the hex view's native tests: the editing model of bytes on a
// stand-in grid, driven as a user would, and a disk that is full.
#pragma once

#include "tests/native/hexview/fake_grid.h"
#include "tests/test_support.h"

#include <sys/resource.h>

#include <csignal>
#include <sstream>
#include <string>

namespace kelvo::test {

inline void Load(HexDocument& doc, const std::string& data)
{
    std::istringstream in(data);
    ASSERT_TRUE(doc.LoadStream(in));
}

struct Editor {
    HexDocument doc;
    HexDocument::Appearance look;
    FakeGrid grid;
    HexEditModel model{doc, look, grid};

    explicit Editor(const std::string& data = Pattern(100))
    {
        grid.model = &model;
        grid.doc = &doc;
        Load(doc, data);
    }
    std::string Data() { return doc.AsText(); }
    std::int32_t Pos() { return model.PosAt(grid.col, grid.row); }
    void Key(std::uint16_t key, TShiftState shift = {}, bool readOnly = false)
    {
        grid.shift = shift.Contains(ssShift);
        model.KeyDown(key, shift, readOnly);
    }
    void Type(const std::string& text, bool readOnly = false)
    {
        for (char c : text)
            model.WMChar(static_cast<std::uint8_t>(c), readOnly);
    }
    void Insert() { model.SetAllowInsertMode(true); Key(hkInsert); }
    void Select(std::int32_t start, std::int32_t end) { model.SetSelStart(start); model.SetSelEnd(end); }
};

// While it lasts no file grows past 1,000 bytes: the file size limit acts as a full disk.
class FullDisk {
public:
    FullDisk()
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, saved_.rlim_max};
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~FullDisk() { setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_{};
};

} // namespace kelvo::test
