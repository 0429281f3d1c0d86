#include "tests/posix/screen_model.h"

#include <algorithm>
#include <cstdlib>

namespace pty_test {

namespace {

ModelCell& At(ScreenModel& s, int x, int y) { return s.Cells[static_cast<size_t>(y * s.Columns + x)]; }

void ScrollUp(ScreenModel& s) {
    auto row = [&](int y) { return s.Cells.begin() + y * s.Columns; };
    s.Cells.erase(row(s.Top), row(s.Top + 1));
    s.Cells.insert(row(s.Bottom), static_cast<size_t>(s.Columns), ModelCell{U' ', -1, s.Bg});
}

void LineFeed(ScreenModel& s) {
    if (s.Y == s.Bottom) {
        ScrollUp(s);
    } else if (s.Y + 1 < s.Rows) {
        ++s.Y;
    }
}

void Put(ScreenModel& s, char32_t ch) {
    if (s.WrapPending) {
        s.X = 0;
        LineFeed(s);
        s.WrapPending = false;
    }
    At(s, s.X, s.Y) = {ch, s.Fg, s.Bg};
    if (s.X + 1 < s.Columns) {
        ++s.X;
    } else {
        s.WrapPending = true;
    }
}

std::vector<int> Params(const std::string& p) {
    std::vector<int> out;
    std::string cur;
    for (char c : p + ";") {
        if (c == ';') {
            out.push_back(cur.empty() ? -1 : std::atoi(cur.c_str()));
            cur.clear();
        } else {
            cur += c;
        }
    }
    return out;
}

bool Graphic(ScreenModel& s, const std::vector<int>& ps) {
    for (int p : ps) {
        if (p <= 0) {
            s.Fg = s.Bg = -1;
        } else if (p >= 30 && p <= 37) {
            s.Fg = p - 30;
        } else if (p >= 90 && p <= 97) {
            s.Fg = p - 90 + 8;
        } else if (p >= 40 && p <= 47) {
            s.Bg = p - 40;
        } else if (p >= 100 && p <= 107) {
            s.Bg = p - 100 + 8;
        } else if (p == 39) {
            s.Fg = -1;
        } else if (p == 49) {
            s.Bg = -1;
        } else {
            return false;
        }
    }
    return true;
}

bool Control(ScreenModel& s, const std::string& params, char final) {
    if (params == "?25" && (final == 'l' || final == 'h')) {
        s.CursorVisible = final == 'h';
        return true;
    }
    if (!params.empty() && params[0] == '?') return false;
    std::vector<int> ps = Params(params);
    switch (final) {
        case 'H': {
            int row = ps.size() > 0 && ps[0] > 0 ? ps[0] : 1;
            int col = ps.size() > 1 && ps[1] > 0 ? ps[1] : 1;
            s.Y = std::min(row, s.Rows) - 1;
            s.X = std::min(col, s.Columns) - 1;
            s.WrapPending = false;
            return true;
        }
        case 'J':
            if (ps[0] != 2) return false;
            for (ModelCell& c : s.Cells) c = {U' ', -1, s.Bg};
            return true;
        case 'm': return Graphic(s, ps);
        case 'r': {
            int top = ps.size() > 0 && ps[0] > 0 ? ps[0] : 1;
            int bottom = ps.size() > 1 && ps[1] > 0 ? ps[1] : s.Rows;
            if (top >= bottom || bottom > s.Rows) return false;
            s.Top = top - 1;
            s.Bottom = bottom - 1;
            s.X = s.Y = 0;
            s.WrapPending = false;
            return true;
        }
        default: return false;
    }
}

}  // namespace

ScreenModel MakeScreen(int columns, int rows, bool utf8) {
    ScreenModel s;
    s.Columns = columns;
    s.Rows = rows;
    s.Utf8 = utf8;
    s.Bottom = rows - 1;
    s.Cells.assign(static_cast<size_t>(columns * rows), ModelCell{});
    return s;
}

void Play(ScreenModel& s, const std::string& bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (b == 0x1B) {
            if (i + 1 < bytes.size() && bytes[i + 1] == '[') {
                size_t j = i + 2;
                std::string params;
                while (j < bytes.size() && static_cast<unsigned char>(bytes[j]) >= 0x20 &&
                       static_cast<unsigned char>(bytes[j]) < 0x40)
                    params += bytes[j++];
                if (j >= bytes.size()) {
                    s.Unknown.push_back("unfinished: " + bytes.substr(i + 1));
                    return;
                }
                if (!Control(s, params, bytes[j])) s.Unknown.push_back("[" + params + bytes[j]);
                i = j + 1;
            } else {
                s.Unknown.push_back("ESC " + bytes.substr(i + 1, 1));
                i += 2;
            }
            continue;
        }
        if (b == '\r') {
            s.X = 0;
            s.WrapPending = false;
        } else if (b == '\n') {
            LineFeed(s);
            s.WrapPending = false;
        } else if (b == '\a') {
            ++s.Bells;
        } else if (b == '\b') {
            if (s.X > 0) --s.X;
            s.WrapPending = false;
        } else if (b < 0x20 || b == 0x7F) {
            s.Unknown.push_back("control " + std::to_string(b));
        } else if (b < 0x80 || !s.Utf8) {
            Put(s, b);
        } else {
            int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
            char32_t cp = b & (0x3F >> extra);
            for (int k = 1; k <= extra && i + static_cast<size_t>(k) < bytes.size(); ++k)
                cp = cp << 6 | (static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]) & 0x3F);
            Put(s, cp);
            i += static_cast<size_t>(extra);
        }
        ++i;
    }
}

std::string RowText(const ScreenModel& s, int row) {
    std::string out;
    for (int x = 0; x < s.Columns; ++x) {
        char32_t cp = s.Cells[static_cast<size_t>(row * s.Columns + x)].Ch;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (!s.Utf8) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

const ModelCell& CellAt(const ScreenModel& s, int x, int y) { return s.Cells[static_cast<size_t>(y * s.Columns + x)]; }

}  // namespace pty_test
