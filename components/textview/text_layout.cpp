#include "components/textview/text_layout.h"

#include <algorithm>

namespace kelvo {

namespace {

bool IsBreak(char c) { return c == '\n' || c == '\r'; }

} // namespace

TextLayout::TextLayout()
{
    std::array<int, 256> widths;
    widths.fill(1);
    SetMetrics(widths, 8);
}

void TextLayout::SetText(std::string text)
{
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);
    text_ = std::move(text);
    text_.shrink_to_fit();
    Relayout();
}

void TextLayout::SetMetrics(const std::array<int, 256>& widths, int tabWidth)
{
    // Every byte takes a pixel at least, so a row holds a bounded number of them.
    for (std::size_t i = 0; i < widths.size(); ++i) {
        widths_[i] = std::max(1, widths[i]);
        const bool special = i == ' ' || i == '\t' || i == '\n' || i == '\r';
        plainWidths_[i] = special ? 0 : widths_[i];
    }
    tabWidth_ = std::max(1, tabWidth);
    Relayout();
}

void TextLayout::SetWrapWidth(int width)
{
    width = std::max(1, width);
    if (width == wrapWidth_)
        return;
    wrapWidth_ = width;
    Relayout();
}

int TextLayout::Advance(unsigned char c, int x) const
{
    return c == '\t' ? tabWidth_ - x % tabWidth_ : widths_[c];
}

TextRow TextLayout::Wrap(std::int32_t start) const
{
    const char* text = text_.data();
    const std::int32_t length = Length();
    std::int32_t afterSpace = -1; // a wrap may come after the last space or tab
    int x = 0;
    for (std::int32_t i = start; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        // Most bytes are plain ones that fit: one table look-up and one comparison.
        const int plain = plainWidths_[c];
        if (plain > 0 && x + plain <= wrapWidth_) {
            x += plain;
            continue;
        }
        if (IsBreak(text[i])) {
            const std::int32_t next = i + 1 + (c == '\r' && i + 1 < length && text[i + 1] == '\n' ? 1 : 0);
            return {start, i, next};
        }
        const int advance = Advance(c, x);
        if (x + advance > wrapWidth_ && i > start) {
            if (c == ' ') {
                // Spaces hang past the edge (a row's width of them at most); a
                // line break right after them ends the row.
                const std::int32_t limit = i + wrapWidth_;
                while (i < length && i < limit && text[i] == ' ')
                    ++i;
                if (i < length && IsBreak(text[i]))
                    return {start, i, i + 1 + (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n' ? 1 : 0)};
                return {start, i, i};
            }
            const std::int32_t end = afterSpace > start ? afterSpace : i;
            return {start, end, end};
        }
        x += advance;
        if (c == ' ' || c == '\t')
            afterSpace = i + 1;
    }
    return {start, length, length};
}

void TextLayout::Relayout()
{
    marks_.clear();
    std::int32_t start = 0;
    std::int32_t row = 0;
    for (;;) {
        if (row % kRowsPerMark == 0)
            marks_.push_back(start);
        const TextRow next = Wrap(start);
        ++row;
        if (next.end == Length())
            break;
        start = next.next;
    }
    rowCount_ = row;
}

std::vector<TextRow> TextLayout::Rows(std::int32_t first, std::int32_t count) const
{
    std::vector<TextRow> rows;
    first = std::max(0, first);
    if (first >= rowCount_)
        return rows;
    count = std::clamp(count, 0, rowCount_ - first);
    rows.reserve(static_cast<std::size_t>(count));
    std::int32_t start = marks_[static_cast<std::size_t>(first / kRowsPerMark)];
    for (std::int32_t row = first - first % kRowsPerMark; row < first; ++row)
        start = Wrap(start).next;
    for (std::int32_t i = 0; i < count; ++i) {
        rows.push_back(Wrap(start));
        start = rows.back().next;
    }
    return rows;
}

TextRow TextLayout::Row(std::int32_t row) const { return Rows(std::clamp(row, 0, rowCount_ - 1), 1).front(); }

std::int32_t TextLayout::RowOf(std::int32_t pos) const
{
    const auto mark = std::upper_bound(marks_.begin(), marks_.end(), pos) - 1;
    std::int32_t row = static_cast<std::int32_t>(mark - marks_.begin()) * kRowsPerMark;
    std::int32_t start = *mark;
    for (;; ++row) {
        const TextRow current = Wrap(start);
        if (current.end == Length() || pos < current.next)
            return row;
        start = current.next;
    }
}

int TextLayout::XOf(const TextRow& row, std::int32_t pos) const
{
    int x = 0;
    for (std::int32_t i = row.start; i < std::min(pos, row.end); ++i)
        x += Advance(static_cast<unsigned char>(text_[static_cast<std::size_t>(i)]), x);
    return x;
}

std::int32_t TextLayout::PosAt(const TextRow& row, int x) const
{
    const bool wrapped = row.end == row.next && row.end < Length() && row.end > row.start;
    const std::int32_t last = wrapped ? row.end - 1 : row.end;
    int left = 0;
    for (std::int32_t i = row.start; i < last; ++i) {
        const int advance = Advance(static_cast<unsigned char>(text_[static_cast<std::size_t>(i)]), left);
        if (x < left + (advance + 1) / 2)
            return i;
        left += advance;
    }
    return last;
}

std::vector<TextRun> TextLayout::Runs(const TextRow& row, std::int32_t from, std::int32_t to) const
{
    std::vector<TextRun> runs;
    from = std::clamp(from, row.start, row.end);
    to = std::clamp(to, from, row.end);
    int x = XOf(row, from);
    std::int32_t runStart = from;
    int runX = x;
    for (std::int32_t i = from; i < to; ++i) {
        const unsigned char c = static_cast<unsigned char>(text_[static_cast<std::size_t>(i)]);
        if (c == '\t') {
            if (i > runStart)
                runs.push_back({runStart, i, runX});
            x += Advance(c, x);
            runStart = i + 1;
            runX = x;
        } else {
            x += widths_[c];
        }
    }
    if (to > runStart)
        runs.push_back({runStart, to, runX});
    return runs;
}

// --- TextViewModel -----------------------------------------------------------

void TextViewModel::SetText(std::string text)
{
    layout_.SetText(std::move(text));
    topRow_ = 0;
    caret_ = anchor_ = 0;
    column_ = -1;
}

void TextViewModel::SetWrapWidth(int width)
{
    const std::int32_t topStart = layout_.Row(topRow_).start;
    layout_.SetWrapWidth(width);
    topRow_ = std::min(layout_.RowOf(topStart), MaxTopRow());
    column_ = -1;
}

void TextViewModel::SetVisibleRows(int rows)
{
    visibleRows_ = std::max(1, rows);
    topRow_ = std::min(topRow_, MaxTopRow());
}

std::int32_t TextViewModel::MaxTopRow() const { return std::max(0, layout_.RowCount() - visibleRows_); }

void TextViewModel::ScrollTo(std::int32_t row) { topRow_ = std::clamp(row, 0, MaxTopRow()); }

std::string TextViewModel::SelectedText() const
{
    return layout_.Text().substr(static_cast<std::size_t>(SelStart()), static_cast<std::size_t>(SelEnd() - SelStart()));
}

std::int32_t TextViewModel::Clamp(std::int32_t pos) const
{
    const std::string& text = layout_.Text();
    pos = std::clamp(pos, 0, layout_.Length());
    // Never between the two bytes of a "\r\n".
    if (pos > 0 && pos < layout_.Length() && text[static_cast<std::size_t>(pos - 1)] == '\r' &&
        text[static_cast<std::size_t>(pos)] == '\n')
        --pos;
    return pos;
}

void TextViewModel::MoveTo(std::int32_t pos, bool extend)
{
    caret_ = Clamp(pos);
    if (!extend)
        anchor_ = caret_;
    column_ = -1;
    ScrollCaretIntoView();
}

std::int32_t TextViewModel::PosAtPoint(int x, std::int32_t viewRow) const
{
    const std::int32_t row = topRow_ + viewRow;
    if (row < 0)
        return 0;
    if (row >= layout_.RowCount())
        return layout_.Length();
    return layout_.PosAt(layout_.Row(row), x);
}

void TextViewModel::Move(TextMove move, bool extend)
{
    const std::string& text = layout_.Text();
    const std::int32_t row = layout_.RowOf(caret_);
    const TextRow current = layout_.Row(row);
    const int column = column_ >= 0 ? column_ : layout_.XOf(current, caret_);
    const bool selection = caret_ != anchor_;
    std::int32_t target = caret_;
    int keepColumn = -1;
    auto toRow = [&](std::int32_t other) {
        other = std::clamp(other, 0, layout_.RowCount() - 1);
        keepColumn = column;
        return layout_.PosAt(layout_.Row(other), column);
    };
    switch (move) {
    case TextMove::Left:
        if (selection && !extend)
            target = SelStart();
        else if (caret_ > 1 && text[static_cast<std::size_t>(caret_ - 1)] == '\n' &&
                 text[static_cast<std::size_t>(caret_ - 2)] == '\r')
            target = caret_ - 2;
        else
            target = caret_ - 1;
        break;
    case TextMove::Right:
        if (selection && !extend)
            target = SelEnd();
        else if (caret_ + 1 < layout_.Length() && text[static_cast<std::size_t>(caret_)] == '\r' &&
                 text[static_cast<std::size_t>(caret_ + 1)] == '\n')
            target = caret_ + 2;
        else
            target = caret_ + 1;
        break;
    case TextMove::Up: target = row == 0 ? 0 : toRow(row - 1); break;
    case TextMove::Down: target = row + 1 >= layout_.RowCount() ? layout_.Length() : toRow(row + 1); break;
    case TextMove::PageUp:
        ScrollTo(topRow_ - visibleRows_);
        target = toRow(row - visibleRows_);
        break;
    case TextMove::PageDown:
        ScrollTo(topRow_ + visibleRows_);
        target = toRow(row + visibleRows_);
        break;
    case TextMove::RowStart: target = current.start; break;
    case TextMove::RowEnd: target = layout_.PosAt(current, 0x7FFFFFFF); break;
    case TextMove::TextStart: target = 0; break;
    case TextMove::TextEnd: target = layout_.Length(); break;
    }
    MoveTo(target, extend);
    column_ = keepColumn;
}

void TextViewModel::SelectAll()
{
    anchor_ = 0;
    caret_ = layout_.Length();
    column_ = -1;
    ScrollCaretIntoView();
}

void TextViewModel::ScrollCaretIntoView()
{
    const std::int32_t row = layout_.RowOf(caret_);
    if (row < topRow_)
        ScrollTo(row);
    else if (row >= topRow_ + visibleRows_)
        ScrollTo(row - visibleRows_ + 1);
}

} // namespace kelvo
